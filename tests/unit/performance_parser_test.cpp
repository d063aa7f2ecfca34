// The performance data: the block winsim answers with, the counter-name
// table and the block parser, malformed blocks included.
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "memory/performance_parser.h"
#include "test_machine.h"

namespace {

class PerformanceParserTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MapDrive('C');
        MakeFolder("C:\\bin");
    }
    // The block as the registry hands it out for a value name.
    std::vector<BYTE> Query(const char* valueName = "230", CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        std::vector<BYTE> block(1 << 20);
        DWORD size = static_cast<DWORD>(block.size());
        DWORD type = 0;
        EXPECT_EQ(RegQueryValueExA(HKEY_PERFORMANCE_DATA, valueName, nullptr, &type, block.data(), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
        block.resize(size);
        return block;
    }
    // Parses a copy of exactly `size` bytes, so that any read past the
    // end is a read past the allocation.
    int Parse(const std::vector<BYTE>& block, size_t size, DWORD idIndex = 784) {
        std::vector<BYTE> exact(block.begin(), block.begin() + size);
        return ParsePerformanceBlock(exact.empty() ? nullptr : exact.data(), static_cast<DWORD>(size), idIndex, tasks);
    }
    int Parse(const std::vector<BYTE>& block) { return Parse(block, block.size()); }
    static DWORD At(const std::vector<BYTE>& block, size_t offset) {
        DWORD value = 0;
        memcpy(&value, block.data() + offset, sizeof value);
        return value;
    }
    static void Set(std::vector<BYTE>* block, size_t offset, DWORD value) {
        memcpy(block->data() + offset, &value, sizeof value);
    }
    TaskRecord tasks[kTaskListSize];
};

TEST_F(PerformanceParserTest, SmallBufferGetsMoreDataAndTheSizeWineLeaves) {
    machine().processes.Start("C:\\bin\\tool.exe");
    BYTE small[16];
    DWORD size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(HKEY_PERFORMANCE_DATA, "230", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 0u);
    machine().processes.performance.sizeOnMoreData = winsim::PerformanceDataOptions::kSizeNeeded;
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(HKEY_PERFORMANCE_DATA, "230", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, Query().size());

    std::vector<BYTE> block = Query();
    EXPECT_EQ(memcmp(block.data(), "P\0E\0R\0F\0", 8), 0);
    EXPECT_EQ(At(block, offsetof(PERF_DATA_BLOCK, TotalByteLength)), block.size());
    EXPECT_EQ(At(block, offsetof(PERF_DATA_BLOCK, NumObjectTypes)), 1u);
    EXPECT_EQ(At(Query("Global"), offsetof(PERF_DATA_BLOCK, NumObjectTypes)), 1u);
    EXPECT_EQ(At(Query("238"), offsetof(PERF_DATA_BLOCK, NumObjectTypes)), 0u);  // not the process object
    EXPECT_EQ(RegCloseKey(HKEY_PERFORMANCE_DATA), ERROR_SUCCESS);
}

// "index\0title\0...": each string with its terminator, then the empty one.
std::string CounterTable(const std::vector<std::string>& strings, bool ended = true) {
    std::string table;
    for (const std::string& text : strings) {
        table += text;
        table.push_back('\0');
    }
    if (ended) table.push_back('\0');
    return table;
}

TEST_F(PerformanceParserTest, CounterNamesGiveTheLastProcessAndIdProcessIndices) {
    std::string unterminated = CounterTable({"230", "Process", "784"}, false) + "ID Process";
    struct Row {
        std::string table;
        bool found;
        const char* objectIndex;
        DWORD idIndex;
    } rows[] = {
        {winsim::EnglishCounterNames(winsim::PerformanceDataOptions()), true, "230", 784},  // control
        {CounterTable({"230", "PROCESS", "784", "Id Process"}), true, "230", 784},
        {CounterTable({"1", "process", "2", "id process", "3", "process", "4", "id process"}), true, "3", 4},
        {CounterTable({"230", "Process", "232", "Thread"}), false, "", 0},
        {unterminated, false, "", 0},
        {CounterTable({"12345678901", "Process", "7", "ID Process"}), false, "", 0},  // eleven digits
        {CounterTable({"", "230", "Process", "784", "ID Process"}), false, "", 0},    // ends at once
        {CounterTable({"Process", "784", "ID Process"}), false, "", 0},              // no index before it
    };
    for (const Row& row : rows) {
        char objectIndex[kIndexTextSize] = "";
        DWORD idIndex = 0;
        EXPECT_EQ(FindProcessCounterIndices(row.table.data(), static_cast<DWORD>(row.table.size()), objectIndex,
                                            &idIndex),
                  row.found)
            << row.table;
        if (row.found) {
            EXPECT_STREQ(objectIndex, row.objectIndex);
            EXPECT_EQ(idIndex, row.idIndex);
        }
    }
}

TEST_F(PerformanceParserTest, InstancesGiveNamesWithoutExtensionAndIdsWithZeroAsMinusTwo) {
    DWORD plain = machine().processes.Start("C:\\bin\\tool.exe").id;
    DWORD dotted = machine().processes.Start("C:\\bin\\X.BIN.EXE").id;
    machine().processes.Start("C:\\bin\\abcdefghijklmnop.exe");   // 16 characters
    machine().processes.Start("C:\\bin\\abcdefghijklmnopq.exe");  // 17
    ASSERT_EQ(Parse(Query()), 7);
    EXPECT_STREQ(tasks[0].name, "Idle");
    EXPECT_EQ(tasks[0].processId, kIdleProcessId);
    EXPECT_STREQ(tasks[1].name, "BRUVANE");  // the program itself
    EXPECT_STREQ(tasks[2].name, "tool");
    EXPECT_EQ(tasks[2].processId, plain);
    EXPECT_STREQ(tasks[3].name, "X.BIN");
    EXPECT_EQ(tasks[3].processId, dotted);
    EXPECT_STREQ(tasks[4].name, "abcdefghijklmnop");
    EXPECT_STREQ(tasks[5].name, "");  // too long for the list: never matched
    EXPECT_STREQ(tasks[6].name, "_Total");
    EXPECT_EQ(tasks[6].processId, kIdleProcessId);
    EXPECT_EQ(tasks[7].processId, 0u);

    machine().faults.Fail("WideCharToMultiByte");
    ASSERT_EQ(Parse(Query()), 7);
    EXPECT_STREQ(tasks[2].name, "unknown");
}

TEST_F(PerformanceParserTest, AtMost254InstancesAndANegativeCountMeans254) {
    for (int i = 0; i < 300; ++i) machine().processes.Start("C:\\bin\\p" + std::to_string(i) + ".exe");
    EXPECT_EQ(Parse(Query()), kMaxTasks);
    EXPECT_STREQ(tasks[253].name, "p251");  // after "Idle" and the program itself
    EXPECT_EQ(tasks[254].processId, 0u);  // the 255th entry stays empty

    machine().processes.performance.overrideInstanceCount = true;
    machine().processes.performance.instanceCount = -3;
    EXPECT_EQ(Parse(Query()), kMaxTasks);
    machine().processes.performance.instanceCount = 5;
    EXPECT_EQ(Parse(Query()), 5);
}

TEST_F(PerformanceParserTest, NoIdCounterOrNoObjectGivesAnEmptyList) {
    machine().processes.Start("C:\\bin\\tool.exe");
    EXPECT_EQ(Parse(Query(), Query().size(), 999), 0);
    machine().processes.performance.withIdCounter = false;
    EXPECT_EQ(Parse(Query()), 0);
    machine().processes.performance = winsim::PerformanceDataOptions();
    machine().processes.performance.noObjects = true;  // what Wine answers
    EXPECT_EQ(Parse(Query()), 0);
}

TEST_F(PerformanceParserTest, EveryTruncationOfTheBlockGivesAnEmptyList) {
    machine().processes.Start("C:\\bin\\tool.exe");
    machine().processes.Start("C:\\bin\\other.exe");
    std::vector<BYTE> block = Query();
    ASSERT_EQ(Parse(block), 5);
    for (size_t size = 0; size < block.size(); ++size) {
        EXPECT_EQ(Parse(block, size), 0) << size;
        EXPECT_EQ(tasks[0].processId, 0u) << size;
    }
}

TEST_F(PerformanceParserTest, CorruptOffsetsAndLengthsGiveAnEmptyList) {
    machine().processes.Start("C:\\bin\\tool.exe");
    const std::vector<BYTE> good = Query();
    const DWORD object = At(good, offsetof(PERF_DATA_BLOCK, HeaderLength));
    const DWORD counters = object + At(good, object + offsetof(PERF_OBJECT_TYPE, HeaderLength));
    const DWORD instance = object + At(good, object + offsetof(PERF_OBJECT_TYPE, DefinitionLength));
    const DWORD counterBlock = instance + At(good, instance + offsetof(PERF_INSTANCE_DEFINITION, ByteLength));
    const DWORD idCounter = counters + 40;  // the second definition is "ID Process"
    ASSERT_EQ(At(good, idCounter + offsetof(PERF_COUNTER_DEFINITION, CounterNameTitleIndex)), 784u);
    const DWORD huge = 0xFFFFFFF0u;
    struct Row {
        const char* what;
        size_t offset;
        DWORD value;
        DWORD idIndex;
    } rows[] = {
        {"control: a harmless field", offsetof(PERF_DATA_BLOCK, Version), 7, 784},
        {"signature", 0, 0x00580050, 784},
        {"no object", offsetof(PERF_DATA_BLOCK, NumObjectTypes), 0, 784},
        {"object beyond the block", offsetof(PERF_DATA_BLOCK, HeaderLength), huge, 784},
        {"counters beyond the block", object + offsetof(PERF_OBJECT_TYPE, HeaderLength), huge, 784},
        {"endless counter count", object + offsetof(PERF_OBJECT_TYPE, NumCounters), huge, 999},
        {"instances beyond the block", object + offsetof(PERF_OBJECT_TYPE, DefinitionLength), huge, 784},
        {"instance shorter than its header", instance + offsetof(PERF_INSTANCE_DEFINITION, ByteLength), 4, 784},
        {"counter block beyond the block", instance + offsetof(PERF_INSTANCE_DEFINITION, ByteLength), huge, 784},
        {"name beyond the block", instance + offsetof(PERF_INSTANCE_DEFINITION, NameOffset), huge, 784},
        {"name off its alignment", instance + offsetof(PERF_INSTANCE_DEFINITION, NameOffset), 25, 784},
        {"empty counter block", counterBlock, 0, 784},
        {"next instance beyond the block", counterBlock, huge, 784},
        {"id outside its counter block", idCounter + offsetof(PERF_COUNTER_DEFINITION, CounterOffset), 24, 784},
        {"id offset wrapping around", idCounter + offsetof(PERF_COUNTER_DEFINITION, CounterOffset), huge, 784},
    };
    for (const Row& row : rows) {
        std::vector<BYTE> block = good;
        Set(&block, row.offset, row.value);
        int expected = row.offset == offsetof(PERF_DATA_BLOCK, Version) ? 4 : 0;
        EXPECT_EQ(Parse(block, block.size(), row.idIndex), expected) << row.what;
    }
    // A name whose terminator is missing up to the end of the block.
    std::vector<BYTE> block = good;
    DWORD name = instance + At(good, instance + offsetof(PERF_INSTANCE_DEFINITION, NameOffset));
    block.resize(name + 9);
    memset(block.data() + name, 'A', 9);
    EXPECT_EQ(Parse(block), 0);
}

}  // namespace
