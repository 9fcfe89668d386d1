#include "input/CommandGate.h"
#include "input/MouseEvents.h"
#include "input/TickErrors.h"

#include <gtest/gtest.h>

#include <vector>

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

TEST(CommandGate, KeepsEachDistinctCommandInOrderUntilTheOutermostEnds)
{
    using Kind = DeferredCommand::Kind;
    const DeferredCommand ctrl{Kind::PrintScreen, 4}, shift{Kind::PrintScreen, 1};
    const DeferredCommand dragEnd{Kind::DragEnd, 0, -20, 160};
    CommandGate gate;
    EXPECT_FALSE(gate.MustWait());
    gate.Enter();
    gate.Enter();
    for (const DeferredCommand& c : {ctrl, dragEnd, shift, ctrl, shift, shift})
        gate.Defer(c);  // a held key repeats: once each
    EXPECT_FALSE(gate.Leave()) << "not before the outermost command ends";
    EXPECT_TRUE(gate.Leave());
    EXPECT_TRUE(gate.MustWait()) << "a new command would overtake those waiting";
    std::vector<DeferredCommand> order;
    while (const auto next = gate.TakeNext())
        order.push_back(*next);
    EXPECT_EQ(order, (std::vector<DeferredCommand>{ctrl, dragEnd, shift}));
    EXPECT_FALSE(gate.MustWait());

    // Bounded: every combination fills it, but a selection's end still gets in.
    for (uintptr_t mask = 0; mask < 16; ++mask)
        gate.Defer({Kind::PrintScreen, mask});
    gate.Defer({Kind::PickEnd});
    EXPECT_EQ(gate.Deferred(), CommandGate::kMaxDeferred + 1);
}
