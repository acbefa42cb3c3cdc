#pragma once
#include <QSqlDatabase>
#include <QString>
#include <utility>
#include <vector>

// The delivered content of BM_JP: the pinyin initial of every Han character
// GBK can hold (resources/program/bm_jp.tsv, made once from ICU's Han-Latin readings
// by scripts/make_bm_jp.cpp). The GB2312 level-one ranges still decide first;
// these rows name the characters the ranges do not know (岚, 鑫, 琦 …).
namespace PinyinTable {

// Character and upper-case letter of each delivered row, in code point order.
const std::vector<std::pair<QString, QString>> &deliveredRows();

// Inserts every delivered row whose character BM_JP does not hold yet; a row
// already there (the user's own initial) is never changed. All or nothing:
// runs inside the caller's transaction when there is one.
bool insertMissing(QSqlDatabase db, QString *error);

} // namespace PinyinTable

namespace Schema {
// Migration step to schema version 3: an existing home gets the delivered
// BM_JP rows it lacks.
bool migrateToV3(QSqlDatabase db, QString *error);
} // namespace Schema
