// The kernel handle table and the runtime's descriptor table reuse their
// storage from open to open. A reused slot must carry nothing of the file
// that held it before, numbers must stay the lowest free ones, and a
// handle whose object closes another handle as it goes must leave the
// table whole.
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>

#include "platform/win32.h"
#include "test_machine.h"
#include "winsim/handles.h"

namespace {

class HandleTableTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MapDrive('C');
        MakeFolder("C:\\a long folder name");
        MakeFile("C:\\a long folder name\\text.txt", "ab\r\ncd\x1A" "ef");
        MakeFile("C:\\b.bin", "0123456789");
        MakeFile("C:\\c.bin", "xyz");
    }
    std::string HostOf(const std::string& windowsPath, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        std::string host;
        EXPECT_TRUE(machine().files.ToHostPath(windowsPath, &host));
        return host;
    }
};

TEST_F(HandleTableTest, DescriptorNumbersAreTheLowestFreeAndReusedSlotsStartClean) {
    int first = _open("C:\\a long folder name\\text.txt", _O_RDONLY);  // text mode
    int second = _open("C:\\b.bin", _O_RDONLY | _O_BINARY);
    int third = _open("C:\\c.bin", _O_RDONLY | _O_BINARY);
    ASSERT_EQ(first, 3);
    ASSERT_EQ(second, 4);
    ASSERT_EQ(third, 5);
    char buffer[16];
    EXPECT_EQ(_read(first, buffer, sizeof buffer), 5);  // "ab\ncd", stopped at Ctrl+Z
    EXPECT_EQ(_read(first, buffer, sizeof buffer), 0);
    ASSERT_EQ(_close(first), 0);
    ASSERT_EQ(_close(second), 0);

    // The lowest number again, in binary mode at position 0, with its own
    // length and path: nothing of the text-mode file before it.
    int reused = _open("C:\\b.bin", _O_RDONLY | _O_BINARY);
    ASSERT_EQ(reused, 3);
    EXPECT_EQ(_filelength(reused), 10);
    EXPECT_EQ(_read(reused, buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    machine().faults.Fail("_close", 5, "C:\\b.bin", 1);  // matches the new path, not the old
    EXPECT_EQ(_close(reused), -1);
    EXPECT_EQ(_close(reused), 0);
    EXPECT_EQ(_open("C:\\c.bin", _O_RDONLY), 3);
    EXPECT_EQ(_open("C:\\c.bin", _O_RDONLY), 4);
    EXPECT_EQ(machine().files.DescriptorCount(), 3u);
    EXPECT_EQ(_close(3), 0);
    EXPECT_EQ(_close(4), 0);
    EXPECT_EQ(_close(third), 0);
    EXPECT_EQ(machine().files.DescriptorCount(), 0u);
    EXPECT_EQ(machine().handles.OpenCount(), 0u);
}

TEST_F(HandleTableTest, NumbersThatHoldNoDescriptorAnswerBadDescriptor) {
    int fd = _open("C:\\c.bin", _O_RDONLY | _O_BINARY);
    ASSERT_EQ(fd, 3);
    char byte;
    const int numbers[] = {-1, 0, 2, 4, 1000, fd};
    ASSERT_EQ(_close(fd), 0);
    for (int number : numbers) {
        SCOPED_TRACE(number);
        errno = 0;
        EXPECT_EQ(_read(number, &byte, 1), -1);
        EXPECT_EQ(errno, EBADF);
        errno = 0;
        EXPECT_EQ(_close(number), -1);
        EXPECT_EQ(errno, EBADF);
    }
}

TEST_F(HandleTableTest, SharingEntriesReusedByAnotherFileHoldOnlyThatFile) {
    const std::string a = HostOf("C:\\b.bin");
    const std::string b = HostOf("C:\\c.bin");
    int fd = _open("C:\\b.bin", _O_RDONLY | _O_BINARY);
    ASSERT_EQ(machine().files.OpenCount(a), 1u);
    ASSERT_EQ(_close(fd), 0);
    machine().files.NoteOpen(b, FILE_SHARE_READ);  // a running program holds c.bin in the freed entry
    EXPECT_EQ(machine().files.OpenCount(a), 0u);
    EXPECT_EQ(machine().files.OpenCount(b), 1u);

    int writer = _open("C:\\b.bin", _O_RDWR | _O_BINARY);
    EXPECT_NE(writer, -1);  // b.bin is free again
    errno = 0;
    EXPECT_EQ(_open("C:\\c.bin", _O_RDWR | _O_BINARY), -1);
    EXPECT_EQ(errno, EACCES);
    int reader = _open("C:\\c.bin", _O_RDONLY | _O_BINARY);
    EXPECT_NE(reader, -1);
    EXPECT_EQ(machine().files.OpenCount(b), 2u);
    _close(reader);
    EXPECT_FALSE(DeleteFileA("C:\\c.bin"));
    machine().files.ReleaseOpen(b, FILE_SHARE_READ);
    EXPECT_EQ(machine().files.OpenCount(b), 0u);
    _close(writer);
    EXPECT_TRUE(DeleteFileA("C:\\c.bin"));
}

// An object that closes another handle when it goes, as a process object
// may close its thread.
struct Closer : winsim::HandleObject {
    HANDLE other = nullptr;
    ~Closer() override { winsim::TheMachine().handles.Remove(other); }
};

TEST_F(HandleTableTest, RemovingAnObjectThatClosesAnotherHandleLeavesTheRestFindable) {
    winsim::Handles& handles = machine().handles;
    HANDLE before = handles.Add(std::unique_ptr<winsim::HandleObject>(new winsim::HandleObject));
    std::unique_ptr<Closer> closer(new Closer);
    Closer* closerObject = closer.get();
    HANDLE closing = handles.Add(std::move(closer));
    HANDLE victim = handles.Add(std::unique_ptr<winsim::HandleObject>(new winsim::HandleObject));
    HANDLE after = handles.Add(std::unique_ptr<winsim::HandleObject>(new winsim::HandleObject));
    closerObject->other = victim;
    EXPECT_EQ(handles.Get<Closer>(closing), closerObject);
    EXPECT_EQ(handles.Get<Closer>(before), nullptr);  // another kind

    EXPECT_TRUE(handles.Remove(closing));
    EXPECT_EQ(handles.Find(closing), nullptr);
    EXPECT_EQ(handles.Find(victim), nullptr);
    EXPECT_NE(handles.Find(before), nullptr);
    EXPECT_NE(handles.Find(after), nullptr);
    EXPECT_EQ(handles.OpenCount(), 2u);
    EXPECT_FALSE(handles.Remove(closing));
    EXPECT_FALSE(handles.Remove(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(2))));  // between values

    // Clearing while an object closes another as it goes.
    std::unique_ptr<Closer> second(new Closer);
    second->other = after;
    handles.Add(std::move(second));
    handles.Clear();
    EXPECT_EQ(handles.OpenCount(), 0u);
    EXPECT_EQ(handles.Find(before), nullptr);
}

}  // namespace
