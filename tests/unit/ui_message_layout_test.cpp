// The message dialog's flags tables and its growth with the text length.
#include <gtest/gtest.h>

#include "common/message_dialog.h"
#include "ui/logic/message_layout.h"

namespace {

struct FlagsRow {
    int flags;
    MessageMode mode;
    int picture;
    int cancelResult;
};

TEST(MessageLayoutTest, FlagsChooseModePictureAndCancelAnswer) {
    const FlagsRow rows[] = {
        {0x00, MessageMode::kSingleButton, kWarningPicture, IDCANCEL},  // control row: no bits
        {kYesNoQuestion, MessageMode::kYesNo, kQuestionPicture, IDNO},  // the terminate and restart prompts
        {kOkCancelInformation, MessageMode::kOkCancel, kInformationPicture, IDCANCEL},
        {0x05, MessageMode::kOkCancel, kWarningPicture, IDCANCEL},  // OK/Cancel wins over Yes/No
        {0x04, MessageMode::kYesNo, kWarningPicture, IDNO},
        {0x01, MessageMode::kOkCancel, kWarningPicture, IDCANCEL},
        {0x30, MessageMode::kSingleButton, kWarningPicture, IDCANCEL},  // both picture bits: warning
        {0x70, MessageMode::kSingleButton, kWarningPicture, IDCANCEL},
        {0x50, MessageMode::kSingleButton, kInformationPicture, IDCANCEL},
        {0x60, MessageMode::kSingleButton, kInformationPicture, IDCANCEL},
        {0x20, MessageMode::kSingleButton, kQuestionPicture, IDCANCEL},
        {0x10, MessageMode::kSingleButton, kErrorPicture, IDCANCEL},
        {0x02, MessageMode::kSingleButton, kWarningPicture, IDCANCEL},  // Abort/Retry/Ignore is not offered
        {0x100, MessageMode::kSingleButton, kWarningPicture, IDCANCEL},  // bits above 0x40 are not read
    };
    for (const FlagsRow& row : rows) {
        EXPECT_EQ(MessageModeFromFlags(row.flags), row.mode) << std::hex << row.flags;
        EXPECT_EQ(MessagePictureFromFlags(row.flags), row.picture) << std::hex << row.flags;
        EXPECT_EQ(MessageCancelResult(MessageModeFromFlags(row.flags)), row.cancelResult) << std::hex << row.flags;
    }
}

struct GrowthRow {
    int length;
    int a, b, h;
    bool pictureMoves;
};

TEST(MessageLayoutTest, GrowthStepsEveryThirtyCharacters) {
    const GrowthRow rows[] = {
        {0, 10, 12, 7, false},   {29, 10, 12, 7, false},  {30, 20, 25, 14, false},
        {59, 20, 25, 14, false}, {60, 30, 37, 21, false}, {89, 30, 37, 21, false},
        {90, 40, 50, 28, true},  {119, 40, 50, 28, true}, {120, 50, 62, 35, true},
    };
    for (const GrowthRow& row : rows) {
        MessageGrowth growth = MessageGrowthForLength(row.length);
        EXPECT_EQ(growth.a, row.a) << row.length;
        EXPECT_EQ(growth.b, row.b) << row.length;
        EXPECT_EQ(growth.h, row.h) << row.length;
        EXPECT_EQ(PictureMoves(growth), row.pictureMoves) << row.length;
    }
}

TEST(MessageLayoutTest, PlacementsUseScreenRectanglesReadAtTheOrigin) {
    MessageGrowth growth = MessageGrowthForLength(30);  // b 25, h 14
    PixelRect dialog = {0, 0, 286, 113};
    Placement grown = GrownDialogPlacement(dialog, growth);
    EXPECT_EQ(grown.x, 0);
    EXPECT_EQ(grown.y, 0);
    EXPECT_EQ(grown.width, 311);
    EXPECT_EQ(grown.height, 127);
    EXPECT_EQ(ButtonRowTop({0, 0, 311, 127}), 62);

    PixelRect textArea = {76, 30, 278, 61};
    Placement text = TextAreaPlacement(textArea, growth, false);
    EXPECT_EQ(text.x, 76);
    EXPECT_EQ(text.y, 5);
    EXPECT_EQ(text.width, 202 + 25);
    EXPECT_EQ(text.height, 31 + 14);
    EXPECT_EQ(TextAreaPlacement(textArea, growth, true).height, 31 + 14 + 25);

    Placement button = ButtonPlacement({39, 84, 131, 108}, growth, 62);
    EXPECT_EQ(button.x, 39 + 12);
    EXPECT_EQ(button.y, 62);
    EXPECT_EQ(button.width, 92);
    EXPECT_EQ(button.height, 24);

    Placement picture = PicturePlacement({25, 22, 62, 61}, textArea);
    EXPECT_EQ(picture.x, 25);
    EXPECT_EQ(picture.y, 0);
    EXPECT_EQ(picture.width, 37);
    EXPECT_EQ(picture.height, 39);
}

TEST(MessageLayoutTest, TwentyNineCharactersMoveButtonsBySix) {
    MessageGrowth growth = MessageGrowthForLength(29);
    EXPECT_EQ(ButtonPlacement({100, 0, 192, 24}, growth, 0).x, 106);
}

}  // namespace
