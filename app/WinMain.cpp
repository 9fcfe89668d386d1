// Entry point: the application object, the main window (whose creation runs
// the start-up sequence) and the message loop.
#include <windows.h>

#include <memory>

#include "app/MainUnit.h"
#include "ui/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    snaplark::ui::Application& app = snaplark::ui::App();
    app.Initialize();
    app.SetTitle("Snaplark");
    std::unique_ptr<snaplark::TMainForm> mainForm;
    try {
        mainForm = std::make_unique<snaplark::TMainForm>();
    } catch (...) {
        // Without its main window the program has nothing to run.
        app.HandleException(std::current_exception());
        return 0;
    }
    app.Run();
    return 0;
}
