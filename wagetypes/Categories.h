#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

class ListGridModel;

// The 17 ERP wage categories a wage type's count or amount is assigned to, as the category
// list shows them: one row text "number;name" each, then the blank row that stands for no
// category. The texts are the ERP's own, misspellings included.
const QStringList &categoryRows();
inline constexpr int categoryCount = 17;
inline constexpr int blankCategoryRow = 17;

// Empties the category list and adds the 18 rows.
void fillCategoryList(ListGridModel &list1);

// The category list row a stored field points at: its leading decimal number (0 when it has
// none) minus one, rounded to the nearest whole number, halves to even. May lie outside the
// list (-1 for an empty field).
int categoryRowOf(QStringView field);

// The name of the category a stored field points at; empty for the blank row and anything
// outside the list.
QString categoryNameOf(QStringView field);
