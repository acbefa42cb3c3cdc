#pragma once
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

// 账套恢复: replaces the open database by a backup the user picks, after
// checking that it is a database of this program; keeps the replaced one.
void runRestore();

// 压缩修复: rebuilds the open database in place after the user confirms.
void runCompaction();

// The folder a closing backup goes to: BF of the company row when it names an
// existing folder, otherwise empty (the caller falls back to the home's backup folder).
QString companyBackupFolder();

} // namespace Backup
