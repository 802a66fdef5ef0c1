#include "core/ItemSort.h"

#include "core/ItemIds.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace ItemSort {

namespace {

// What QString::toCaseFolded gives, appended: plain ASCII is folded here,
// any other name by Qt.
void AppendFolded(const QString& name, std::u16string& out) {
    const auto* p = reinterpret_cast<const char16_t*>(name.utf16());
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] >= 0x80) {
            const QString f = name.toCaseFolded();
            out.append(reinterpret_cast<const char16_t*>(f.utf16()), static_cast<size_t>(f.size()));
            return;
        }
    }
    for (qsizetype i = 0; i < n; ++i)
        out.push_back(p[i] >= u'A' && p[i] <= u'Z' ? char16_t(p[i] + 32) : p[i]);
}

} // namespace

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
    // The names case-folded, one after the other in one buffer: a string of
    // its own for each of 50,000 rows cost more than their sort.
    struct Plain {
        qsizetype at, length;
        const ItemPtr* row;
    };
    std::vector<Plain> plain;
    plain.reserve(rows.size());
    std::u16string folded;
    for (const ItemPtr& row : rows) {
        if (!row)
            continue;
        if (row->IsAboveLine) {
            ads.push_back({std::llround(static_cast<double>(row->Bid) * 100.0), row->ID, &row});
            continue;
        }
        const qsizetype at = static_cast<qsizetype>(folded.size());
        AppendFolded(row->Name, folded);
        plain.push_back({at, static_cast<qsizetype>(folded.size()) - at, &row});
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

    const char16_t* keys = folded.data();
    std::stable_sort(plain.begin(), plain.end(), [keys](const Plain& a, const Plain& b) {
        return QStringView(keys + a.at, a.length) < QStringView(keys + b.at, b.length);
    });
    for (const bool items : {false, true})
        for (const Plain& p : plain)
            if ((*p.row)->IsItem == items)
                result->Add(*p.row);
    return result;
}

} // namespace ItemSort
