#pragma once
// The fixed answers of the address and profile pages. The lists are part of
// the program: the server knows their entries by the codes, positions and
// stored numbers that the profile request sends, so their order must never
// change.
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace ChoiceLists {

// "AL - ALABAMA" ... "NL - OTHER": code (upper case), " - ", name.
QStringList States();
// "us - United States of America", "ca - Canada", then by name.
QStringList Countries();
QStringList Months();
// "1999" down to "1900", newest first.
QStringList Years();
QStringList Genders();
QStringList Educations();
QStringList Incomes();
// Entry text with the number the server stores for it.
QList<QPair<QString, int>> MaritalStatuses();
QStringList Employments();
QStringList HoursOnline();
QStringList Frequencies();

} // namespace ChoiceLists
