#include "core/ItemSort.h"

#include "core/ItemIds.h"

#include <algorithm>
#include <cmath>

namespace ItemSort {

int AdvertiserLimit(int ParentID) {
    if (ParentID > 0)
        return 9;
    return ParentID == kSearchCategoryId ? 10 : -1;
}

ItemCollectionPtr SortItems(const std::vector<ItemPtr>& rows, int ParentID) {
    auto result = std::make_shared<ItemCollection>();

    // Advertisers by the value of the bid in cents (the amount the menu shows
    // with two decimals), highest first, the lower id first on equal bids.
    // Comparing the bids as text would rank 9.00 above 12.00 and drop the
    // highest bidders.
    struct Ad {
        long long cents;
        int id;
        const ItemPtr* row;
    };
    std::vector<Ad> ads;
    struct Plain {
        QString key;
        const ItemPtr* row;
    };
    std::vector<Plain> plain;
    plain.reserve(rows.size());
    for (const ItemPtr& row : rows) {
        if (!row)
            continue;
        if (row->IsAboveLine)
            ads.push_back({std::llround(static_cast<double>(row->Bid) * 100.0), row->ID, &row});
        else
            plain.push_back({row->Name.toCaseFolded(), &row});
    }
    std::stable_sort(ads.begin(), ads.end(), [](const Ad& a, const Ad& b) {
        return a.cents != b.cents ? a.cents > b.cents : a.id < b.id;
    });
    const int limit = AdvertiserLimit(ParentID);
    for (const Ad& ad : ads) {
        if (limit >= 0 && result->Count() >= limit)
            break;
        result->Add(*ad.row);
    }

    if (ParentID != kHotBuyCategoryId && ParentID != kSearchCategoryId) {
        auto filler = std::make_shared<clsItem>();
        filler->ID = kAdvertiseHereId;
        filler->Name = QStringLiteral("Advertise here");
        filler->Description = QStringLiteral("Click here to insert your own ad into this category");
        filler->IsItem = true;
        filler->IsAboveLine = true;
        filler->ParentID = ParentID;
        result->Add(filler, ItemKey(kAdvertiseHereId));
    }
    if (result->Count() > 0) {
        auto separator = std::make_shared<clsItem>();
        separator->ID = kSeparatorId;
        result->Add(separator, ItemKey(kSeparatorId));
    }

    std::stable_sort(plain.begin(), plain.end(),
                     [](const Plain& a, const Plain& b) { return a.key < b.key; });
    for (const bool items : {false, true})
        for (const Plain& p : plain)
            if ((*p.row)->IsItem == items)
                result->Add(*p.row);
    return result;
}

} // namespace ItemSort
