// Loads a small project with the command line it was given and writes what the engine
// made of it to the file named by QLRY_PROBE_OUT: the options with their arguments and
// the source directory, or the exception class and message.
#include <windows.h>

#include <fstream>
#include <memory>
#include <string>

#include "engine/cmp_TInstall.h"
#include "platform/DataModule.h"
#include "platform/Exceptions.h"

using namespace qlry;

namespace {

// Keeps the run modes from acting: only the choice is reported.
class TProbeInstall : public TInstall {
public:
    using TInstall::TInstall;

protected:
    void BuildFromInfoFile() override { mode = "build"; }
    void TransferToFloppies(const std::string& drive) override { mode = "floppies " + drive; }
    void CompleteAfterRestart() override { mode = "after restart"; }

public:
    static std::string mode;
};
std::string TProbeInstall::mode = "none";

std::string Report(const TCustomInstall& engine) {
    static const char letters[] = "bfderSc";
    std::string text;
    for (int option = 0; option < installOptionCount; ++option) {
        if (!engine.HasOption(static_cast<TInstallOption>(option))) continue;
        text += std::string(1, letters[option]) + "=[" + engine.OptionArg(static_cast<TInstallOption>(option)) + "] ";
    }
    return text + "source=[" + engine.SourceDir() + "] mode=" + TProbeInstall::mode;
}

} // namespace

int main() {
    char outName[MAX_PATH] = {};
    GetEnvironmentVariableA("QLRY_PROBE_OUT", outName, MAX_PATH);
    std::ofstream out(outName, std::ios::binary);
    auto owner = std::make_unique<TDataModule>(nullptr);
    auto* engine = new TProbeInstall(owner.get());
    engine->SetName("Install1");
    engine->SetRunAutomatic(false);
    try {
        TComponent* component = engine;
        component->Loading();
        component->Loaded();
        out << Report(*engine);
    } catch (const Exception& e) {
        out << e.ClassName() << ": " << e.Message();
    }
    return 0;
}
