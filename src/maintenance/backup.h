#pragma once
#include "core/outcome.h"

#include <QString>

// Backups, restore and compaction of the database file the program has open.
// Every copy of the open file is taken through SQLite (VACUUM INTO), never by
// copying a file that is in use, so that a backup is always a whole database.
namespace Backup {

// Writes a consistent copy of the open database to target, replacing it.
// The copy is built beside the target and renamed over it, so that a failed
// backup never leaves a half-written file under the target's name.
bool copyDatabaseTo(const QString &target, QString *error);

// 账套备份: asks for a name (".bak" is always appended) and copies the database there.
void runMenuBackup();

// At every close attempt of the main window: the dated backup when the user
// answered Yes (dated), then always the rotating weekday backup.
void runClosingBackups(bool dated);

// Whether file is a sound database this program can take: SQLite's full
// integrity check, the version row (not newer than the program) and every
// table of the program.
Outcome checkBackup(const QString &file);

// Replaces the content of the open database by the backup chosen, after
// checkBackup() and after keeping the replaced content in backup/ as
// "恢复前_<time>.bak". The content is copied into the open file through
// SQLite's backup interface in one write transaction, so that every program
// that has the file open sees the old data or the restored data, and a crash
// leaves the old. The file itself is never renamed or removed.
Outcome restoreFrom(const QString &chosen);

// 账套恢复: asks for a backup and restores it; "成功恢复数据！" only once it worked.
void runRestore();

// At start-up, for a data file that is damaged or not of this program (why
// says which): asks whether to restore it from a backup now and does so. The
// file is replaced by a checked copy of the backup; the replaced file is kept
// in backup/ as "损坏_<time>.db". True when the file was replaced.
bool offerStartupRestore(const QString &file, const Outcome &why);
Outcome replaceUnusable(const QString &file, const QString &chosen);

// 压缩修复: rebuilds the open database in place after the user confirms.
void runCompaction();

// The folder a closing backup goes to: BF of the company row when it names an
// existing folder, otherwise empty (the caller falls back to the home's backup folder).
QString companyBackupFolder();

} // namespace Backup
