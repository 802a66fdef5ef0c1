#pragma once
// The order every category menu shows: the advertiser block (highest bid
// first), the "Advertise here" filler, a separator, then the categories and
// the items, each in stable case-insensitive alphabetical order.
#include "core/clsItem.h"

#include <vector>

namespace ItemSort {

// Advertiser rows shown at most: 9 in a category, 10 for search results
// (ParentID 0), no limit for a negative ParentID.
int AdvertiserLimit(int ParentID);

// Orders the rows of category ParentID (the raw rows in query order). Only
// the filler and the separator carry keys (ItemKey of their ids).
ItemCollectionPtr SortItems(const std::vector<ItemPtr>& rows, int ParentID);

} // namespace ItemSort
