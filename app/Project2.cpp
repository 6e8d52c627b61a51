// The program entry: initialise, create the main window, run the message loop.
#include "app/Application.h"
#include "app/Unit1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        Application.Initialize();
        Application.MainFormOnTaskBar = true;
        Application.CreateForm(Form2);
        if (Form2) Form2->OpenItems(CommandLineItems(::GetCommandLineW()), TItemsSource::isCommandLine);
        Application.Run();
    } catch (const std::exception& e) {
        ShowStartupErrorAndExit(e);
    } catch (...) {
        ShowStartupErrorAndExit(Exception(L"Unknown error"));
    }
    return 0;
}
