// The result list's cap, selection and horizontal extent rules.
#include <gtest/gtest.h>

#include "ui/logic/result_list_rules.h"

namespace {

TEST(ResultListRulesTest, EmptiedAtOneHundredFiftyLinesOnlyBeforeTheStatistics) {
    struct Row {
        int count;
        bool statisticsStarted;
        bool empties;
    };
    const Row rows[] = {
        {0, false, false},   {149, false, false}, {150, false, true}, {151, false, true},
        {150, true, false},  {5000, true, false}, {0, true, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ResultListNeedsEmptying(row.count, row.statisticsStarted), row.empties)
            << row.count << " " << row.statisticsStarted;
}

TEST(ResultListRulesTest, ListHoldsAtMostOneHundredFiftyLinesDuringAScan) {
    int count = 0;
    int largest = 0;
    for (int line = 1; line <= 451; ++line) {
        if (ResultListNeedsEmptying(count, false)) count = 0;
        ++count;
        if (count > largest) largest = count;
    }
    EXPECT_EQ(largest, 150);
    EXPECT_EQ(count, 1);  // the 451st line starts a fresh list
}

TEST(ResultListRulesTest, NewestLineSelectedFromTheThirdOn) {
    const int counts[] = {1, 2, 3, 4, 150};
    const int selections[] = {1, 2, 2, 3, 149};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ResultListSelection(counts[i]), selections[i]) << counts[i];
}

TEST(ResultListRulesTest, ExtentWidensToThreeQuartersOfLinesWiderThan560) {
    struct Row {
        int current, widest, extent;
    };
    const Row rows[] = {
        {0, 560, kKeepExtent},   // not wider than 560
        {0, 561, 420},           // 561 * 3 / 4, truncated
        {0, 1000, 750},
        {750, 1000, 750},        // set again to the same value
        {1000, 1000, kKeepExtent},
        {1200, 1000, kKeepExtent},
        {0, 0, kKeepExtent},     // control row: empty list
    };
    for (const Row& row : rows)
        EXPECT_EQ(ResultListNewExtent(row.current, row.widest), row.extent) << row.current << " " << row.widest;
}

}  // namespace
