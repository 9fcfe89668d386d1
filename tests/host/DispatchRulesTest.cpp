#include "input/CommandGate.h"
#include "input/MouseEvents.h"
#include "input/TickErrors.h"

#include <gtest/gtest.h>

using namespace snaplark;

TEST(MouseEvents, ClientAndNonClientLeftButtonEventsCount)
{
    EXPECT_EQ(ClassifyMouseEvent(0x200), MouseEventKind::Move);
    EXPECT_EQ(ClassifyMouseEvent(0xA0), MouseEventKind::Move);
    EXPECT_EQ(ClassifyMouseEvent(0x201), MouseEventKind::ButtonDown);
    EXPECT_EQ(ClassifyMouseEvent(0xA1), MouseEventKind::ButtonDown);
    EXPECT_EQ(ClassifyMouseEvent(0x202), MouseEventKind::ButtonUp);
    EXPECT_EQ(ClassifyMouseEvent(0xA2), MouseEventKind::ButtonUp);
    for (uintptr_t other : {0x203u, 0x204u, 0x205u, 0x207u, 0x20Au, 0x20Eu, 0xA3u, 0xA4u})
        EXPECT_EQ(ClassifyMouseEvent(other), MouseEventKind::Other) << other;
}

TEST(MouseEvents, CornersAreOrderedAsSignedNumbers)
{
    const SelectionRect forward{100, 50, 300, 250};
    EXPECT_EQ(NormalizedSelection(forward), forward);
    EXPECT_EQ(NormalizedSelection({300, 250, 100, 50}), forward);
    EXPECT_EQ(NormalizedSelection({300, 50, 100, 250}), forward);
    // A monitor left of and above the primary one.
    EXPECT_EQ(NormalizedSelection({20, 10, -1280, -5}), (SelectionRect{-1280, -5, 20, 10}));
    // A click without a drag stays empty.
    EXPECT_EQ(NormalizedSelection({7, 8, 7, 8}), (SelectionRect{7, 8, 7, 8}));
}

TEST(TickReports, TheSameFailureIsToldOncePerRunAndAnotherOneAfterTheBoxCloses)
{
    const std::string missing1 = "Cannot create file \"C:\\gone\\260203140509007.png\". Path not found";
    const std::string missing2 = "Cannot create file \"C:\\gone\\260203140509107.png\". Path not found";
    TickReportGate gate;
    gate.NewRun();
    EXPECT_TRUE(gate.Admit(missing1, std::nullopt));
    EXPECT_FALSE(gate.Admit(missing2, missing1)) << "its box is open";
    EXPECT_FALSE(gate.Admit(missing2, std::nullopt)) << "only the file's time stamp differs";
    EXPECT_TRUE(gate.Admit("Stream write error", std::nullopt)) << "a different failure, box closed";
    EXPECT_FALSE(gate.Admit("Stream write error", std::nullopt));
    EXPECT_TRUE(gate.Admit(missing2, std::nullopt));
    EXPECT_EQ(gate.Dropped(), 3);
    // A run started again while its failure's box is still open: the box
    // already tells it; another failure is told, and the error box shows it
    // once the open one is closed.
    gate.NewRun();
    EXPECT_EQ(gate.Dropped(), 0);
    EXPECT_TRUE(gate.Admit(missing1, "Stream write error"));
    EXPECT_FALSE(gate.Admit(missing2, "Stream write error"));
    EXPECT_FALSE(gate.Admit(missing1, std::nullopt));
    EXPECT_TRUE(gate.Admit("Stream write error", std::nullopt));
    // Other numbers are part of the failure.
    EXPECT_FALSE(SameFailure("JPEG error #21", "JPEG error #22"));
}

TEST(CommandGate, PutsOffCommandsUntilTheOutermostEndsAndKeepsOnlyTheLatestOfEach)
{
    std::vector<std::pair<unsigned, uintptr_t>> reposted;
    CommandGate gate([&](unsigned m, uintptr_t w) { reposted.emplace_back(m, w); });
    EXPECT_FALSE(gate.Busy());
    try {
        CommandGate::Scope outer(gate);
        {
            CommandGate::Scope inner(gate);
            gate.Defer(2651, 1);
            gate.Defer(2652, 0x202);
            gate.Defer(2651, 4);  // a held key: the latest press replaces the earlier one
        }
        EXPECT_TRUE(gate.Busy());
        EXPECT_TRUE(reposted.empty()) << "not before the outermost command ends";
        throw 1;  // a failing capture still lets them go
    } catch (int) {
    }
    EXPECT_FALSE(gate.Busy());
    EXPECT_EQ(reposted, (std::vector<std::pair<unsigned, uintptr_t>>{{2652, 0x202}, {2651, 4}}));
}
