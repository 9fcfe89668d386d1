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

TEST(TickReports, OnlyTheFirstFailureOfATimerRunIsTold)
{
    TickReportGate gate;
    gate.NewRun();
    EXPECT_TRUE(gate.Admit());
    EXPECT_FALSE(gate.Admit());
    EXPECT_FALSE(gate.Admit());
    EXPECT_EQ(gate.Dropped(), 2);
    gate.NewRun();
    EXPECT_TRUE(gate.Admit());
    EXPECT_EQ(gate.Dropped(), 0);
}
