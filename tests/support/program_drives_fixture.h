// A machine for the process tests: programs run from C:\bin, and a second
// fixed drive has D:\other, where a file of the same name as one in C:\bin
// can be put to show that only the right one is matched.
#pragma once

#include "test_machine.h"

class ProgramDrivesTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MapDrive('C');
        MapDrive('D');
        MakeFolder("C:\\bin");
        MakeFolder("D:\\other");
    }
};
