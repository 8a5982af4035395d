#include "TestSupport.h"

#include "app/SettingsStore.h"
#include "platform/Error.h"
#include "platform/GbkCodec.h"
#include "platform/Profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray ReadAll(const QString& path) { return ReadFileBytes(path); }

void WriteAll(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(WriteFileBytes(path, bytes));
}

} // namespace

struct NumberCase {
    const char* name;
    const char* text;
    std::optional<int> value;
};

class ReadingNumbers : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ReadingNumbers, DecimalOrHexadecimalOrNothing) {
    EXPECT_EQ(SettingsStore::ParseInteger(QByteArray(GetParam().text)), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    SettingsStore, ReadingNumbers,
    ::testing::Values(NumberCase{"decimal", "11", 11}, NumberCase{"negative", "-1", -1},
                      NumberCase{"hex", "0x5", 5}, NumberCase{"hex_capital_x", "0X1f", 31},
                      NumberCase{"hex_full_pattern", "0xFFFFFFFF", -1},
                      NumberCase{"hex_too_long", "0x100000000", std::nullopt},
                      NumberCase{"bare_0x", "0x", std::nullopt},
                      NumberCase{"digits_then_letters", "5abc", std::nullopt},
                      NumberCase{"empty", "", std::nullopt},
                      NumberCase{"word", "True", std::nullopt},
                      NumberCase{"above_32_bits", "2147483648", std::nullopt},
                      NumberCase{"lowest_32_bits", "-2147483648", INT_MIN}),
    [](const auto& info) { return std::string(info.param.name); });

class ProfileFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("SystemConfig.ini"));
    QByteArray section = QByteArrayLiteral("Config");
};

TEST_F(ProfileFile, CreatesFileAndSectionThenReplacesInPlaceOrAppendsToTheSection) {
    using platform::Profile::ReadString;
    using platform::Profile::WriteString;
    ASSERT_TRUE(WriteString(path, section, platform::Gbk("结果"), "0"));
    EXPECT_EQ(ReadAll(path), QByteArray("[Config]\r\n") + platform::Gbk("结果") + "=0\r\n");

    WriteAll(path, "; notes\r\n[Other]\r\nA=1\r\n[config]\r\nB = 2 \r\n\r\n[Last]\r\nC=3\r\n");
    ASSERT_TRUE(WriteString(path, section, "b", "7"));
    ASSERT_TRUE(WriteString(path, section, "D", "\"q\""));
    EXPECT_EQ(ReadAll(path),
              QByteArray("; notes\r\n[Other]\r\nA=1\r\n[config]\r\nb=7\r\nD=\"q\"\r\n\r\n[Last]\r\nC=3\r\n"));
    EXPECT_EQ(ReadString(path, section, "B", "x"), QByteArray("7"));
    EXPECT_EQ(ReadString(path, section, "D", "x"), QByteArray("q"));
    EXPECT_EQ(ReadString(path, section, "A", "x"), QByteArray("x")) << "A belongs to [Other]";
    EXPECT_EQ(ReadString(dir.filePath(QStringLiteral("none.ini")), section, "A", "d"),
              QByteArray("d"));

    ASSERT_TRUE(WriteString(path, "New", "E", "5"));
    EXPECT_TRUE(ReadAll(path).endsWith("C=3\r\n[New]\r\nE=5\r\n"));
}

TEST_F(ProfileFile, ReadOnlyFileIsRefusedAndKeptByteForByte) {
    const QByteArray before = "[Config]\r\nA=1\r\n";
    WriteAll(path, before);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    EXPECT_FALSE(platform::Profile::WriteString(path, section, "A", "2"));
    EXPECT_EQ(ReadAll(path), before);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    SettingsStore store(path);
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    try {
        store.WriteInteger("A", 3);
        FAIL() << "no error raised";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unable to write to ") + QDir::toNativeSeparators(path));
        EXPECT_EQ(platform::ErrorBoxText(e.Message()), e.Message() + QLatin1Char('.'));
    }
    EXPECT_EQ(ReadAll(path), before);
}

TEST_F(ProfileFile, WriteThatRunsOutOfSpaceLeavesTheOldFileWhole) {
    const QByteArray before = "[Config]\r\nA=1\r\n";
    WriteAll(path, before);
    // A file-size limit makes the write fail part-way, as a full disk would.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written =
        platform::Profile::WriteString(path, section, "Big", QByteArray(100000, 'x'));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("SystemConfig.ini")})
        << "no temporary file is left behind";
}

// The file stays beside the program while its folder can be written; a program installed where
// its users cannot write keeps each user's settings in their own folder, starting from the
// file beside the program.
TEST(SettingsLocation, BesideTheProgramUnlessItsFolderIsReadOnly) {
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("bin"));
    const QString user = dir.filePath(QStringLiteral("home/.config/sumdrill"));
    ASSERT_TRUE(QDir().mkpath(program));
    const QString beside = program + QStringLiteral("/SystemConfig.ini");
    const QString own = user + QStringLiteral("/SystemConfig.ini");

    EXPECT_EQ(SettingsStore::Locate(program, user), beside);
    EXPECT_FALSE(QFileInfo::exists(user));

    // A read-only file in a writable folder stays where it is: writing it fails as designed.
    WriteAll(beside, "[Config]\r\n\xBD\xE1\xB9\xFB=3\r\n");
    QFile::setPermissions(beside, QFileDevice::ReadOwner);
    EXPECT_EQ(SettingsStore::Locate(program, user), beside);

    // A read-only folder: the user's copy, filled from the file beside the program once.
    QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(SettingsStore::Locate(program, user), own);
    EXPECT_EQ(ReadAll(own), ReadAll(beside));
    SettingsStore store(own);
    EXPECT_EQ(store.ReadInteger(SettingsStore::KeyProblemCount(), 0), 3);
    store.WriteInteger(SettingsStore::KeyProblemCount(), 5); // the copy can be written
    EXPECT_EQ(SettingsStore::Locate(program, user), own);
    EXPECT_EQ(store.ReadInteger(SettingsStore::KeyProblemCount(), 0), 5);

    // Without a file beside the program the user's folder is made ready for a new file.
    QTemporaryDir other;
    const QString empty = other.filePath(QStringLiteral("bin"));
    const QString user2 = other.filePath(QStringLiteral("config/sumdrill"));
    ASSERT_TRUE(QDir().mkpath(empty));
    QFile::setPermissions(empty, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QString path = SettingsStore::Locate(empty, user2);
    EXPECT_EQ(path, user2 + QStringLiteral("/SystemConfig.ini"));
    SettingsStore fresh(path);
    fresh.WriteBool(SettingsStore::KeyShowAnswers(), true);
    EXPECT_TRUE(fresh.ReadBool(SettingsStore::KeyShowAnswers()));

    for (const QString& d : {program, empty})
        QFile::setPermissions(d, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                     QFileDevice::ExeOwner);
    QFile::setPermissions(beside, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
