// winsim's file operations where Wine cannot be the judge: the exact 8.3
// aliases Windows makes, the list of operations for the next start, files
// held by simulated processes, read-only files (Wine runs as root here),
// and fault injection.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/win32.h"
#include "test_machine.h"

namespace {

class WinsimFilesTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MapDrive('C');
    }
    std::string ShortPath(const std::string& path) {
        char buffer[MAX_PATH];
        DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
        return length == 0 || length >= sizeof buffer ? "<" + std::to_string(GetLastError()) + ">" : buffer;
    }
};

TEST_F(WinsimFilesTest, AliasesAreNumberedPerFolderInNameOrderAndStay) {
    MakeFolder("C:\\Program Files\\Tools");
    MakeFile("C:\\Program Files\\Tools\\foobarbaz.exe");
    MakeFile("C:\\Program Files\\Tools\\FooBarQux.exe");
    MakeFile("C:\\Program Files\\Tools\\my file+1.tar.gz");
    MakeFile("C:\\Program Files\\Tools\\SETUP.EXE");
    MakeFile("C:\\Program Files\\Tools\\readme.txt");

    EXPECT_EQ(ShortPath("C:\\Program Files\\Tools\\FooBarQux.exe"), "C:\\PROGRA~1\\Tools\\FOOBAR~2.EXE");
    EXPECT_EQ(ShortPath("C:\\Program Files\\Tools\\foobarbaz.exe"), "C:\\PROGRA~1\\Tools\\FOOBAR~1.EXE");
    EXPECT_EQ(ShortPath("C:\\Program Files\\Tools\\my file+1.tar.gz"), "C:\\PROGRA~1\\Tools\\MYFILE~1.GZ");
    // Valid 8.3 names stay as written, lower case included.
    EXPECT_EQ(ShortPath("C:\\program files\\tools\\setup.exe"), "C:\\PROGRA~1\\tools\\setup.exe");
    EXPECT_EQ(ShortPath("C:\\Program Files\\Tools\\readme.txt"), "C:\\PROGRA~1\\Tools\\readme.txt");

    // A later file takes the next free number; earlier aliases keep theirs.
    MakeFile("C:\\Program Files\\Tools\\foobar.old.exe");
    EXPECT_EQ(ShortPath("C:\\Program Files\\Tools\\foobar.old.exe"), "C:\\PROGRA~1\\Tools\\FOOBAR~3.EXE");
    // The whole alias must be free: another extension may repeat the number.
    MakeFile("C:\\Program Files\\Tools\\foobarbaz.html");
    EXPECT_EQ(ShortPath("C:\\Program Files\\Tools\\foobarbaz.html"), "C:\\PROGRA~1\\Tools\\FOOBAR~1.HTM");
    EXPECT_EQ(ShortPath("C:\\Program Files\\Tools\\foobarbaz.exe"), "C:\\PROGRA~1\\Tools\\FOOBAR~1.EXE");

    // The alias opens the file.
    EXPECT_TRUE(Exists("C:\\PROGRA~1\\TOOLS\\FOOBAR~2.EXE"));
    int fd = _open("C:\\PROGRA~1\\Tools\\FOOBAR~2.EXE", _O_RDONLY | _O_BINARY);
    EXPECT_NE(fd, -1);
    _close(fd);
}

TEST_F(WinsimFilesTest, AliasesPastNineShortenTheBaseAndADeletedFilesAliasIsFree) {
    MakeFolder("C:\\d");
    for (int i = 0; i < 11; ++i) MakeFile("C:\\d\\longname" + std::string(1, static_cast<char>('a' + i)) + ".dat");
    EXPECT_EQ(ShortPath("C:\\d\\longnamei.dat"), "C:\\d\\LONGNA~9.DAT");
    EXPECT_EQ(ShortPath("C:\\d\\longnamej.dat"), "C:\\d\\LONGN~10.DAT");

    ASSERT_TRUE(DeleteFileA("C:\\d\\longnamea.dat"));
    MakeFile("C:\\d\\longnamez.dat");
    EXPECT_EQ(ShortPath("C:\\d\\longnamez.dat"), "C:\\d\\LONGNA~1.DAT");
}

TEST_F(WinsimFilesTest, ShortPathErrors) {
    MakeFolder("C:\\Some Folder");
    char buffer[MAX_PATH];
    SetLastError(0);
    EXPECT_EQ(GetShortPathNameA("C:\\Some Folder\\gone file.exe", buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetShortPathNameA("C:\\No Folder\\gone file.exe", buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(GetShortPathNameA("Q:\\x.exe", buffer, sizeof buffer), 0u);
    machine().faults.Fail("GetShortPathNameA", ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetShortPathNameA("C:\\Some Folder", buffer, sizeof buffer), 0u);
}

TEST_F(WinsimFilesTest, DelayedOperationsAreListedAsPendingFileRenameOperations) {
    MakeFile("C:\\a.exe");
    EXPECT_TRUE(MoveFileExA("C:\\a.exe", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_TRUE(MoveFileExA("C:\\b.exe", "C:\\c.exe", MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
    EXPECT_TRUE(Exists("C:\\a.exe"));
    ASSERT_EQ(machine().files.PendingOperations().size(), 2u);
    EXPECT_EQ(machine().files.PendingOperations()[0].source, "\\??\\C:\\a.exe");
    EXPECT_EQ(machine().files.PendingOperations()[0].target, "");
    EXPECT_EQ(machine().files.PendingOperations()[1].target, "!\\??\\C:\\c.exe");
    const std::string expected("\\??\\C:\\a.exe\0\0\\??\\C:\\b.exe\0!\\??\\C:\\c.exe\0\0", 42);
    EXPECT_EQ(machine().files.PendingFileRenameOperationsData(), expected);

    machine().faults.Fail("MoveFileExA", ERROR_ACCESS_DENIED);
    EXPECT_FALSE(MoveFileExA("C:\\a.exe", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_EQ(machine().files.PendingOperations().size(), 2u);
}

TEST_F(WinsimFilesTest, MoveFileExIsNotImplementedOnThe9xFamily) {
    winsim::SetWindows98();
    MakeFile("C:\\a.exe");
    EXPECT_FALSE(MoveFileExA("C:\\a.exe", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
    EXPECT_TRUE(machine().files.PendingOperations().empty());
}

TEST_F(WinsimFilesTest, AFileHeldByASimulatedProcessCanBeReadButNotDeletedOrRenamed) {
    MakeFile("C:\\run.exe", "MZ");
    std::string host;
    ASSERT_TRUE(machine().files.ToHostPath("C:\\run.exe", &host));
    machine().files.NoteOpen(host, FILE_SHARE_READ);

    int fd = _open("C:\\run.exe", _O_RDONLY | _O_BINARY);
    EXPECT_NE(fd, -1);
    _close(fd);
    EXPECT_EQ(_open("C:\\run.exe", _O_WRONLY | _O_BINARY), -1);
    EXPECT_TRUE(SetFileAttributesA("C:\\run.exe", FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_FALSE(DeleteFileA("C:\\run.exe"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(MoveFileA("C:\\run.exe", "C:\\run.Vxe"));

    machine().files.ReleaseOpen(host, FILE_SHARE_READ);
    EXPECT_TRUE(DeleteFileA("C:\\run.exe"));
}

TEST_F(WinsimFilesTest, ReadOnlyFilesRefuseWritersAndCreatedWithoutWritePermissionAreReadOnly) {
    MakeFile("C:\\ro.ini", "x");
    ASSERT_TRUE(SetFileAttributesA("C:\\ro.ini", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(_open("C:\\ro.ini", _O_WRONLY | _O_BINARY), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(fopen("C:\\ro.ini", "ab"), nullptr);
    EXPECT_FALSE(CopyFileA("C:\\ro.ini", "C:\\ro.ini", FALSE));

    int fd = _open("C:\\new.ini", _O_WRONLY | _O_CREAT | _O_BINARY, _S_IREAD);
    ASSERT_NE(fd, -1);
    EXPECT_EQ(_write(fd, "ok", 2), 2);  // the creating descriptor still writes
    _close(fd);
    EXPECT_EQ(GetFileAttributesA("C:\\new.ini"), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(ReadFile("C:\\new.ini"), "ok");
}

TEST_F(WinsimFilesTest, EveryOperationCanBeMadeToFail) {
    MakeFile("C:\\f.bin", "0123456789");
    int fd = _open("C:\\f.bin", _O_RDWR | _O_BINARY);
    ASSERT_NE(fd, -1);
    char buffer[4];
    for (const char* operation : {"_read", "_write", "_lseek", "_filelength"}) {
        machine().faults.Fail(operation, 5, "C:\\f.bin", 1);
    }
    EXPECT_EQ(_read(fd, buffer, 4), -1);
    EXPECT_EQ(_write(fd, "x", 1), -1);
    EXPECT_EQ(_lseek(fd, 0, SEEK_SET), -1);
    EXPECT_EQ(_filelength(fd), -1);
    EXPECT_EQ(_read(fd, buffer, 4), 4);  // each fault fired once
    machine().faults.Fail("_close", 5, "C:\\f.bin", 1);
    EXPECT_EQ(_close(fd), -1);
    EXPECT_EQ(_close(fd), 0);  // still open after the refused close

    machine().faults.Fail("_open", 5, "f.bin", 1);
    EXPECT_EQ(_open("C:\\f.bin", _O_RDONLY | _O_BINARY), -1);
    machine().faults.Fail("fopen", 5, "f.bin", 1);
    EXPECT_EQ(fopen("C:\\f.bin", "rb"), nullptr);
    machine().faults.Fail("MoveFileA", 5, "f.bin", 1);
    EXPECT_FALSE(MoveFileA("C:\\f.bin", "C:\\g.bin"));
    machine().faults.Fail("CopyFileA", 5, "f.bin", 1);
    EXPECT_FALSE(CopyFileA("C:\\f.bin", "C:\\g.bin", FALSE));
    machine().faults.Fail("GetWindowsDirectoryA", 5, "", 1);
    machine().faults.Fail("GetTempPathA", 5, "", 1);
    char folder[MAX_PATH];
    EXPECT_EQ(GetWindowsDirectoryA(folder, sizeof folder), 0u);
    EXPECT_EQ(GetTempPathA(sizeof folder, folder), 0u);
    EXPECT_EQ(GetWindowsDirectoryA(folder, sizeof folder), 10u);
    EXPECT_STREQ(folder, "C:\\WINDOWS");
    EXPECT_EQ(GetTempPathA(sizeof folder, folder), 16u);
    EXPECT_STREQ(folder, "C:\\WINDOWS\\TEMP\\");
    EXPECT_EQ(machine().files.DescriptorCount(), 0u);
}

TEST_F(WinsimFilesTest, StreamsWriteTextModeLineEndsAndCountOpenDescriptors) {
    FILE* out = fopen("C:\\t.ini", "w");
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(machine().files.DescriptorCount(), 1u);
    fputs("[a]\nb=1\n", out);
    fclose(out);
    EXPECT_EQ(machine().files.DescriptorCount(), 0u);
    EXPECT_EQ(ReadFile("C:\\t.ini"), "[a]\r\nb=1\r\n");
}

}  // namespace
