#pragma once
// The ids that mark rows and categories which are not ordinary table entries,
// and the rules the menus keep asking of them. Every reserved value lives
// here once; the server, the menu table and the home-menu reply send the same
// numbers, so none of them may change.
//
// A row's id is the table's id (positive) or one of the reserved negative ids
// below. -10 is reserved as well but no row of the program carries it: one
// that arrives as data is opened like a table entry.
#include "core/clsItem.h"

// --- reserved row ids --------------------------------------------------------

// The divider line between groups of rows; its name is empty.
inline constexpr int kSeparatorId = -1;
// "Restricted category", shown instead of a restricted category's rows.
inline constexpr int kRestrictedStubId = -3;
// "Search the web..." under the search results.
inline constexpr int kSearchWebId = -4;
// "Advertise here", the filler under a category's advertiser block.
inline constexpr int kAdvertiseHereId = -5;
// The member menu's commands.
inline constexpr int kAboutId = -6;
inline constexpr int kReferFriendsId = -7;
inline constexpr int kOptionsId = -8;
inline constexpr int kNewUserId = -9;
inline constexpr int kContactUsId = -11;
inline constexpr int kMemberHomeId = -12;
inline constexpr int kTechSupportId = -15;
// Commands that arrive only as data (menu table or home-menu reply).
inline constexpr int kShowUserIdId = -13;
inline constexpr int kHelpId = -14;
inline constexpr int kEarningsId = -16;
// A news headline (NewsID the headline's number), "Modify News Feeds", and
// the bold name of a feed above its headlines.
inline constexpr int kNewsHeadlineId = -17;
inline constexpr int kModifyNewsFeedsId = -18;
inline constexpr int kNewsFeedHeadingId = -19;
// A browser favourite (URL the shortcut file or the bookmark's address).
inline constexpr int kFavoriteId = -20;
// Inert rows: a placeholder ("(empty)", "(No matches)", "No Favorites" ...)
// or a heading from the table is kInertId; the headings of one category
// count down from it by their place (kInertId, kInertId - 1, ...).
inline constexpr int kInertId = -1000;

// --- reserved category ids ---------------------------------------------------

// The search results' pseudo-category: ten advertisers and no filler.
inline constexpr int kSearchCategoryId = 0;
// The ParentID of every row that is not read from the table (the same 0):
// opening one asks the server for nothing.
inline constexpr int kNoParentId = 0;
// The category of a submenu window that shows search results: not a
// category of the table, so the window is filled from the server instead.
inline constexpr int kSearchWindowCategoryId = kSearchWebId;
// The hot-buy category, whose home-menu row flashes after an update adds to it.
inline constexpr int kHotBuyCategoryId = 3;
// Categories filled from fixed lists or other sources, not from the table.
inline constexpr int kMemberMenuCategoryId = 109;
inline constexpr int kNewsCategoryId = 27345;
inline constexpr int kFavoritesCategoryId = 31504;

// --- rules --------------------------------------------------------------------

// A placeholder or a table heading.
inline bool IsInertId(int id) {
    return id <= kInertId;
}

// Text that is never highlighted nor opened: a feed heading or an inert row.
inline bool IsLabelId(int id) {
    return id == kNewsFeedHeadingId || IsInertId(id);
}

// A submenu row that can carry the highlight.
inline bool CanBeSelected(const clsItem& item) {
    return item.ID != kSeparatorId && !IsLabelId(item.ID);
}

// A submenu row that opens on a click: a leaf that is not a label.
inline bool OpensOnClick(const clsItem& item) {
    return item.IsItem && !IsLabelId(item.ID);
}
