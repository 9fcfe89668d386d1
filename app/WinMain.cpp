// Entry point: the application object, the main window (whose creation runs
// the start-up sequence) and the message loop.
#include <windows.h>

#include <memory>

#include "app/MainUnit.h"
#include "ui/Application.h"
#include "ui/ComApartment.h"
#include "ui/SystemLibrary.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Before anything can load a DLL by its name.
    snaplark::ui::SearchSystemFolderOnly();
    // For the whole life of the main thread, and released after its windows.
    const snaplark::ui::ComApartment com;
    snaplark::ui::Application& app = snaplark::ui::App();
    std::unique_ptr<snaplark::TMainForm> mainForm;
    try {
        app.Initialize();
        app.SetTitle("Snaplark");
        mainForm = std::make_unique<snaplark::TMainForm>();
    } catch (...) {
        // Without its windows the program has nothing to run.
        app.HandleException(std::current_exception());
        return 1;
    }
    // A start-up that failed part-way has undone itself and asked to quit.
    return app.Run();
}
