#include "enlist/ChoiceLists.h"

#include <cstddef>

namespace ChoiceLists {

namespace {

// clang-format off
const char* const kStates[] = {
    "AL - ALABAMA", "AK - ALASKA", "AZ - ARIZONA", "AR - ARKANSAS", "CA - CALIFORNIA",
    "CO - COLORADO", "CT - CONNECTICUT", "DE - DELAWARE", "DC - DISTRICT OF COLUMBIA",
    "FL - FLORIDA", "GA - GEORGIA", "HI - HAWAII", "ID - IDAHO", "IL - ILLINOIS", "IN - INDIANA",
    "IA - IOWA", "KS - KANSAS", "KY - KENTUCKY", "LA - LOUISIANA", "ME - MAINE", "MD - MARYLAND",
    "MA - MASSACHUSETTS", "MI - MICHIGAN", "MN - MINNESOTA", "MS - MISSISSIPPI", "MO - MISSOURI",
    "MT - MONTANA", "NE - NEBRASKA", "NV - NEVADA", "NH - NEW HAMPSHIRE", "NJ - NEW JERSEY",
    "NM - NEW MEXICO", "NY - NEW YORK", "NC - NORTH CAROLINA", "ND - NORTH DAKOTA", "OH - OHIO",
    "OK - OKLAHOMA", "OR - OREGON", "PA - PENNSYLVANIA", "RI - RHODE ISLAND",
    "SC - SOUTH CAROLINA", "SD - SOUTH DAKOTA", "TN - TENNESSEE", "TX - TEXAS", "UT - UTAH",
    "VT - VERMONT", "VI - VIRGIN ISLANDS", "VA - VIRGINIA", "WA - WASHINGTON",
    "WV - WEST VIRGINIA", "WI - WISCONSIN", "WY - WYOMING", "AB - ALBERTA", "NS - NOVA SCOTIA",
    "BC - BRITISH COLUMBIA", "ON - ONTARIO", "MB - MANITOBA", "PE - PRINCE EDWARD ISLAND",
    "NB - NEW BRUNSWICK", "QC - QUEBEC", "NF - NEWFOUNDLAND", "SK - SASKATCHEWAN",
    "NT - NORTHWEST TERRITORIES", "YT - YUKON TERRITORY", "AS - AMERICAN SAMOA", "GU - GUAM",
    "PR - PUERTO RICO", "NL - OTHER"
};

const char* const kCountries[] = {
    "us - United States of America", "ca - Canada", "af - Afghanistan", "al - Albania",
    "dz - Algeria", "as - American Samoa", "ad - Andorra", "ao - Angola", "ai - Anguilla",
    "aq - Antarctica", "ag - Antigua And Barbuda", "ar - Argentina", "am - Armenia", "aw - Aruba",
    "au - Australia", "at - Austria", "az - Azerbaijan", "bs - Bahamas", "bh - Bahrain",
    "bd - Bangladesh", "bb - Barbados", "by - Belarus", "be - Belgium", "bz - Belize",
    "bj - Benin", "bm - Bermuda", "bt - Bhutan", "bo - Bolivia", "ba - Bosnia And Herzegovina",
    "bw - Botswana", "bv - Bouvet Island", "br - Brazil", "io - British Indian Ocean Territory",
    "vg - British Virgin Islands", "bn - Brunei", "bg - Bulgaria", "bf - Burkina Faso",
    "bi - Burundi", "kh - Cambodia", "cm - Cameroon", "cv - Cape Verde", "ky - Cayman Islands",
    "cf - Central African Republic", "td - Chad", "cl - Chile", "cn - China",
    "cx - Christmas Island", "cc - Cocos Islands", "co - Colombia", "km - Comoros", "cg - Congo",
    "ck - Cook Islands", "cr - Costa Rica", "hr - Croatia", "cu - Cuba", "cy - Cyprus",
    "cz - Czech Republic", "dk - Denmark", "dj - Djibouti", "dm - Dominica",
    "do - Dominican Republic", "tp - East Timor", "ec - Ecuador", "eg - Egypt", "sv - El Salvador",
    "gq - Equatorial Guinea", "er - Eritrea", "ee - Estonia", "et - Ethiopia",
    "fk - Falkland Islands", "fo - Faroe Islands", "fj - Fiji", "fi - Finland", "fr - France",
    "gf - French Guiana", "pf - French Polynesia", "tf - French Southern Territories",
    "ga - Gabon", "gm - Gambia", "ge - Georgia", "de - Germany", "gh - Ghana", "gi - Gibraltar",
    "gr - Greece", "gl - Greenland", "gd - Grenada", "gp - Guadeloupe", "gu - Guam",
    "gt - Guatemala", "gn - Guinea", "gw - Guinea - Bissau", "gy - Guyana", "ht - Haiti",
    "hm - Heard and McDonald Islands", "hn - Honduras", "hk - Hong Kong", "hu - Hungary",
    "is - Iceland", "in - India", "id - Indonesia", "ir - Iran", "iq - Iraq", "ie - Ireland",
    "il - Israel", "it - Italy", "ci - Ivory Coast", "jm - Jamaica", "jp - Japan", "jo - Jordan",
    "kz - Kazakhstan", "ke - Kenya", "ki - Kiribati", "kp - Korea, North", "kr - Korea, South",
    "kw - Kuwait", "kg - Kyrgyzstan", "la - Laos", "lv - Latvia", "lb - Lebanon", "ls - Lesotho",
    "lr - Liberia", "ly - Libya", "li - Liechtenstein", "lt - Lithuania", "lu - Luxembourg",
    "mo - Macau", "mk - Macedonia, Former Yugoslav Republic of", "mg - Madagascar", "mw - Malawi",
    "my - Malaysia", "mv - Maldives", "ml - Mali", "mt - Malta", "mh - Marshall Islands",
    "mq - Martinique", "mr - Mauritania", "mu - Mauritius", "yt - Mayotte", "mx - Mexico",
    "fm - Micronesia, Federated States of", "md - Moldova", "mc - Monaco", "mn - Mongolia",
    "ms - Montserrat", "ma - Morocco", "mz - Mozambique", "mm - Myanmar", "na - Namibia",
    "nr - Nauru", "np - Nepal", "nl - Netherlands", "an - Netherlands Antilles",
    "nc - New Caledonia", "nz - New Zealand", "ni - Nicaragua", "ne - Niger", "ng - Nigeria",
    "nu - Niue", "nf - Norfolk Island", "mp - Northern Mariana Islands", "no - Norway",
    "om - Oman", "pk - Pakistan", "pw - Palau", "pa - Panama", "pg - Papua New Guinea",
    "py - Paraguay", "pe - Peru", "ph - Philippines", "pn - Pitcairn Island", "pl - Poland",
    "pt - Portugal", "pr - Puerto Rico", "qa - Qatar", "re - Reunion", "ro - Romania",
    "ru - Russia", "rw - Rwanda", "gs - S. Georgia and S. Sandwich Isls.",
    "kn - Saint Kitts & Nevis", "lc - Saint Lucia", "vc - Saint Vincent and The Grenadines",
    "ws - Samoa", "sm - San Marino", "st - Sao Tome and Principe", "sa - Saudi Arabia",
    "sn - Senegal", "sc - Seychelles", "sl - Sierra Leone", "sg - Singapore", "sk - Slovakia",
    "si - Slovenia", "so - Somalia", "za - South Africa", "es - Spain", "lk - Sri Lanka",
    "sh - St.Helena", "pm - St.Pierre And Miquelon", "sd - Sudan", "sr - Suriname",
    "sj - Svalbard and Jan Mayen Islands", "sz - Swaziland", "se - Sweden", "ch - Switzerland",
    "sy - Syria", "tw - Taiwan", "tj - Tajikistan", "tz - Tanzania", "th - Thailand", "tg - Togo",
    "tk - Tokelau", "to - Tonga", "tt - Trinidad And Tobago", "tn - Tunisia", "tr - Turkey",
    "tm - Turkmenistan", "tc - Turks and Caicos Islands", "tv - Tuvalu",
    "um - U.S. Minor Outlying Islands", "ug - Uganda", "ua - Ukraine", "ae - United Arab Emirates",
    "uk - United Kingdom", "uy - Uruguay", "uz - Uzbekistan", "vu - Vanuatu", "va - Vatican City",
    "ve - Venezuela", "vn - Vietnam", "vi - Virgin Islands", "wf - Wallis and Futuna Islands",
    "eh - Western Sahara", "ye - Yemen", "yu - Yugoslavia(Former)", "zr - Zaire", "zm - Zambia",
    "zw - Zimbabwe"
};
// clang-format on

template <std::size_t N> QStringList ToList(const char* const (&items)[N]) {
    QStringList list;
    list.reserve(static_cast<int>(N));
    for (const char* item : items)
        list << QString::fromLatin1(item);
    return list;
}

} // namespace

QStringList States() {
    return ToList(kStates);
}

QStringList Countries() {
    return ToList(kCountries);
}

QStringList Months() {
    return {QStringLiteral("January"), QStringLiteral("February"), QStringLiteral("March"),
            QStringLiteral("April"),   QStringLiteral("May"),      QStringLiteral("June"),
            QStringLiteral("July"),    QStringLiteral("August"),   QStringLiteral("September"),
            QStringLiteral("October"), QStringLiteral("November"), QStringLiteral("December")};
}

QStringList Years() {
    QStringList years;
    for (int year = 1999; year >= 1900; --year)
        years << QString::number(year);
    return years;
}

QStringList Genders() {
    return {QStringLiteral("Male"), QStringLiteral("Female")};
}

QStringList Educations() {
    return {QStringLiteral("Elementary"), QStringLiteral("High School"), QStringLiteral("College"),
            QStringLiteral("Masters Degree"), QStringLiteral("Doctorate")};
}

QStringList Incomes() {
    return {QStringLiteral("under $10k"), QStringLiteral("$10k-$30k"),
            QStringLiteral("$30k-$50k"),  QStringLiteral("$50k-$70k"),
            QStringLiteral("$70k-$100k"), QStringLiteral("over $100k")};
}

QList<QPair<QString, int>> MaritalStatuses() {
    // The server's codes, not positions: 3 and 4 are not offered.
    return {{QStringLiteral("Married"), 1},
            {QStringLiteral("Single"), 2},
            {QStringLiteral("Domestic Partnership"), 5}};
}

QStringList Employments() {
    return {QStringLiteral("Unemployed"), QStringLiteral("Self Employed"),
            QStringLiteral("Other"),      QStringLiteral("Part Time"),
            QStringLiteral("Full Time"),  QStringLiteral("Student")};
}

QStringList HoursOnline() {
    return {QStringLiteral("0-5"), QStringLiteral("6-10"), QStringLiteral("11-25"),
            QStringLiteral("25+")};
}

QStringList Frequencies() {
    return {QStringLiteral("Daily"), QStringLiteral("Weekly"), QStringLiteral("Monthly"),
            QStringLiteral("Yearly"), QStringLiteral("Never")};
}

} // namespace ChoiceLists
