// What the error box shows for each kind of error, who owns it, and that the
// program's windows take no input while it is open.
#include "capture/CaptureError.h"
#include "tests/win/CaptureTestSupport.h"
#include "ui/ApplicationWindow.h"
#include "ui/ErrorBox.h"

#include <new>

using namespace capture_test;
using namespace snaplark;
using namespace snaplark::ui;

namespace {

struct Shown {
    HWND owner;
    std::string text;
    std::string caption;
    UINT flags;
    bool otherWindowEnabled;
};

class ErrorBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        app_ = CreateWindowExA(0, "STATIC", "Snaplark", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               nullptr, nullptr);
        SetApplicationWindow(app_);
        form_ = CreateWindowExA(0, "STATIC", "form", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50,
                                nullptr, nullptr, nullptr, nullptr);
        previous_ = SetErrorBoxDisplay([this](HWND owner, const std::string& text,
                                              const char* caption, UINT flags) {
            shown_.push_back({owner, text, caption, flags, IsWindowEnabled(form_) != FALSE});
            return IDOK;
        });
    }
    void TearDown() override
    {
        SetErrorBoxDisplay(std::move(previous_));
        SetApplicationWindow(nullptr);
        DestroyWindow(form_);
        DestroyWindow(app_);
    }

    std::string ReportedText(std::exception_ptr e)
    {
        shown_.clear();
        ReportException(e);
        if (shown_.empty())
            return "(no box)";
        return shown_.size() == 1 ? shown_[0].text : "(several boxes)";
    }

    HWND app_ = nullptr;
    HWND form_ = nullptr;
    ErrorBoxDisplay previous_;
    std::vector<Shown> shown_;
};

TEST_F(ErrorBox, IsOwnedByTheApplicationWindowAndModalToTheProgram)
{
    ShowErrorBox("Cannot open clipboard");
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].owner, app_);
    EXPECT_EQ(shown_[0].text, "Cannot open clipboard.");
    EXPECT_EQ(shown_[0].caption, "Snaplark");
    // MB_ICONERROR with one OK button, brought to the foreground and kept
    // above other programs' windows.
    EXPECT_EQ(shown_[0].flags, 0x10u | 0x10000u | 0x40000u);
    EXPECT_FALSE(shown_[0].otherWindowEnabled);
    EXPECT_TRUE(IsWindowEnabled(form_));  // enabled again once it closed
}

TEST_F(ErrorBox, ReportsEachKindOfException)
{
    auto raise = [](auto e) { return std::make_exception_ptr(e); };
    EXPECT_EQ(ReportedText(raise(Error("Stream write error"))), "Stream write error.");
    EXPECT_EQ(ReportedText(raise(Error("JPEG error #9"))), "JPEG error #9.");
    EXPECT_EQ(ReportedText(raise(std::runtime_error("Already ends."))), "Already ends.");
    EXPECT_EQ(ReportedText(raise(std::bad_alloc())), "Out of system resources.");
    EXPECT_EQ(ReportedText(raise(42)), "Unknown error.");
    EXPECT_EQ(ReportedText(nullptr), "(no box)");
}

TEST_F(ErrorBox, FailingDisplayDoesNotEscapeTheReport)
{
    SetErrorBoxDisplay([](HWND, const std::string&, const char*, UINT) -> int {
        throw std::bad_alloc();
    });
    ReportException(std::make_exception_ptr(Error("x")));
    EXPECT_TRUE(IsWindowEnabled(form_));
}

}  // namespace
