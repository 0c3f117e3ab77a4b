// The program entry: the application, the main form that carries the install project,
// the message loop.
#include <windows.h>

#include "app/main.h"
#include "platform/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    qlry::TApplication application;
    application.Initialize();
    qlry::TformMain* mainForm = nullptr;
    try {
        mainForm = new qlry::TformMain(&application);
    } catch (const qlry::Exception& error) {
        // Failures while the project is brought to life get the platform's display.
        application.ShowException(error);
        return 0;
    }
    // The main form only once it is complete: while its project loads, the engine finds
    // the form as its owner.
    qlry::SetMainForm(mainForm);
    mainForm->Show();
    application.Run();
    return 0;
}
