#include "core/home.h"
#include "core/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <functional>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// All the bytes of a literal, NULs included.
template <size_t N> QByteArray bytesOf(const char (&text)[N]) { return QByteArray(text, N - 1); }

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The file's permission bits.
int modeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

// A disk that fills up or fails: every call is passed on until the chosen one fails.
class FailingDisk : public Files::Calls
{
public:
    // Bytes the disk still takes before a write fails (-1: never).
    qint64 room = -1;
    // Largest count one write() stores (0: all it is given), as a pipe or a
    // signal can make it store less without an error.
    size_t chunk = 0;
    // What a write does when the disk is full: fail with this errno, or (0) store nothing.
    int fullErrno = ENOSPC;
    int syncErrno = 0;
    int closeErrno = 0;

    ssize_t write(int fd, const void *data, size_t size) override
    {
        if (chunk > 0)
            size = std::min(size, chunk);
        if (room >= 0) {
            if (room == 0) {
                if (fullErrno == 0)
                    return 0;
                errno = fullErrno;
                return -1;
            }
            size = std::min(size, size_t(room)); // the short write before the failing one
        }
        const ssize_t n = Files::Calls::write(fd, data, size);
        if (room >= 0 && n > 0)
            room -= n;
        return n;
    }
    int sync(int fd) override
    {
        if (syncErrno) {
            errno = syncErrno;
            return -1;
        }
        return Files::Calls::sync(fd);
    }
    int close(int fd) override
    {
        Files::Calls::close(fd);
        if (closeErrno) {
            errno = closeErrno;
            return -1;
        }
        return 0;
    }
};

class SettingsTest : public ::testing::Test
{
protected:
    QString file() const { return dir.path() + QStringLiteral("/Default.ini"); }
    QStringList filesBeside() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
    QTemporaryDir dir;
};

TEST_F(SettingsTest, AFailedWriteKeepsTheOldFileAndIsReported)
{
    const QByteArray old = "[dl]\nuser=张三\ncs=7\n";
    struct Case
    {
        const char *what;
        std::function<void(FailingDisk &)> setUp;
    };
    const Case cases[] = {
        {"disk full after a short write", [](FailingDisk &d) { d.room = 9; }},
        {"disk full, nothing stored and no error", [](FailingDisk &d) {
             d.room = 5;
             d.fullErrno = 0;
         }},
        {"sync fails", [](FailingDisk &d) { d.syncErrno = EIO; }},
        {"close fails", [](FailingDisk &d) { d.closeErrno = EDQUOT; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(file(), old);
        auto disk = std::make_shared<FailingDisk>();
        c.setUp(*disk);
        Settings s(file(), disk);

        const Outcome written = s.setValue(QStringLiteral("dl"), QStringLiteral("user"), QStringLiteral("一个很长的名字，比磁盘剩下的地方长"));

        EXPECT_FALSE(written.ok);
        EXPECT_TRUE(written.message.contains(file())) << written.text().toStdString();
        EXPECT_FALSE(written.detail.isEmpty());
        EXPECT_EQ(readFile(file()), old);
        EXPECT_EQ(filesBeside(), QStringList{QStringLiteral("Default.ini")}); // no half-written file left
    }
}

TEST_F(SettingsTest, WritesThatStoreLittleAtATimeStillWriteTheWholeFile)
{
    auto disk = std::make_shared<FailingDisk>();
    disk->chunk = 3;
    Settings s(file(), disk);
    ASSERT_TRUE(s.setValue(QStringLiteral("dl"), QStringLiteral("user"), QStringLiteral("李四")).ok);
    ASSERT_TRUE(s.setValue(QStringLiteral("dbdz"), QStringLiteral("Tdbdz"), QStringLiteral("/srv/共享/data.db")).ok);

    const Settings back(file());
    EXPECT_EQ(back.value(QStringLiteral("dl"), QStringLiteral("user")), QStringLiteral("李四"));
    EXPECT_EQ(back.value(QStringLiteral("dbdz"), QStringLiteral("Tdbdz")), QStringLiteral("/srv/共享/data.db"));
    EXPECT_EQ(filesBeside(), QStringList{QStringLiteral("Default.ini")});
}

TEST_F(SettingsTest, TheFileIsReadableByItsOwnerOnly)
{
    writeFile(file(), "[dl]\nuser=sa\n");
    QFile::setPermissions(file(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    Settings s(file());
    ASSERT_TRUE(s.setValue(QStringLiteral("dl"), QStringLiteral("lp"), QStringLiteral("token")).ok);
    EXPECT_EQ(modeOf(file()), 0600);
}

TEST_F(SettingsTest, NulBytesDoNotHideTheSectionsAfterThem)
{
    struct Case
    {
        const char *what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"a run of NULs between sections", QByteArray("[dl]\nuser=sa\n") + QByteArray(64, '\0') + "[dbdz]\nsfdz=T\n"},
        {"a NUL inside a line", bytesOf("[dl]\nuser=sa\0\0xx\n[dbdz]\nsfdz=T\n")},
        {"a NUL before the first section", bytesOf("\0[dl]\nuser=sa\n[dbdz]\nsfdz=T\n")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.bytes.contains('\0'));
        writeFile(file(), c.bytes);
        const Settings s(file());
        EXPECT_EQ(s.value(QStringLiteral("dl"), QStringLiteral("user")), QStringLiteral("sa"));
        EXPECT_EQ(s.value(QStringLiteral("dbdz"), QStringLiteral("sfdz")), QStringLiteral("T"));
    }
}

} // namespace
