// Stopping a service: the stop request, the stop-pending wait and its cap.
#include <vector>

#include "memory/service_stop.h"
#include "test_machine.h"

namespace {

class ServiceStopTest : public MachineTest {
protected:
    winsim::SimService& Service(std::vector<DWORD> afterStop) {
        winsim::SimService& service = machine().processes.AddService("Gorsvc");
        service.afterStop = afterStop;
        return service;
    }
};

const DWORD kPending = SERVICE_STOP_PENDING;

TEST_F(ServiceStopTest, TheResultIsTheLastStateAfterTheStopPendingWait) {
    std::vector<DWORD> alwaysPending(40, kPending);
    struct Row {
        const char* what;
        std::vector<DWORD> afterStop;
        int result;
        uint64_t waitedMs;
    } rows[] = {
        {"stops at once", {SERVICE_STOPPED}, 1, 0},
        {"pending for three queries", {kPending, kPending, kPending, kPending, SERVICE_STOPPED}, 1, 3000},
        {"pending, then running again", {kPending, kPending, SERVICE_RUNNING}, 0, 1000},
        {"pending, then paused", {kPending, SERVICE_PAUSED}, 0, 0},
        {"pending for good: the wait is capped", alwaysPending, 0, 1000u * kMaxStopPendingWaits},
    };
    for (const Row& row : rows) {
        machine().processes.Clear();
        machine().clock = winsim::Clock();
        Service(row.afterStop);
        EXPECT_EQ(StopService("gorsvc"), row.result) << row.what;
        EXPECT_EQ(machine().clock.nowMs, row.waitedMs) << row.what;
        EXPECT_EQ(machine().processes.OpenServiceHandles(), 0u) << row.what;
    }
}

TEST_F(ServiceStopTest, RefusalsAndUnknownNamesGiveZeroWithNoHandleLeft) {
    struct Row {
        const char* what;
        void (*setUp)(winsim::Machine&);
    } rows[] = {
        {"unknown name", [](winsim::Machine&) {}},
        {"no manager access", [](winsim::Machine& m) {
             m.processes.AddService("Gorsvc");
             m.faults.Fail("OpenSCManagerA", ERROR_ACCESS_DENIED);
         }},
        {"already stopped", [](winsim::Machine& m) { m.processes.AddService("Gorsvc").state = SERVICE_STOPPED; }},
        {"refuses the stop", [](winsim::Machine& m) { m.processes.AddService("Gorsvc").refusesStop = true; }},
        {"9x has no manager", [](winsim::Machine& m) {
             m.processes.AddService("Gorsvc");
             winsim::SetWindows98();
         }},
    };
    for (const Row& row : rows) {
        machine().processes.Clear();
        machine().faults.Clear();
        winsim::SetWindowsXp();
        row.setUp(machine());
        EXPECT_EQ(StopService("Gorsvc"), 0) << row.what;
        EXPECT_EQ(machine().processes.OpenServiceHandles(), 0u) << row.what;
        EXPECT_EQ(machine().clock.nowMs, 0u) << row.what;
    }
}

TEST_F(ServiceStopTest, AFailingQueryEndsTheWaitWithTheLastStateReceived) {
    Service({SERVICE_STOPPED});
    machine().faults.Fail("QueryServiceStatus");
    EXPECT_EQ(StopService("Gorsvc"), 1);  // the stop request itself reported stopped

    machine().processes.Clear();
    Service({kPending, kPending, SERVICE_STOPPED});
    winsim::FaultRule rule;
    rule.operation = "QueryServiceStatus";
    rule.skip = 1;
    machine().faults.Clear();
    machine().faults.Add(rule);
    EXPECT_EQ(StopService("Gorsvc"), 0);  // pending was the last word
    EXPECT_EQ(machine().clock.sleeps, std::vector<DWORD>{1000});
}

}  // namespace
