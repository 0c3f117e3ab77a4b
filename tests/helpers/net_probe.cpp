// Connects a net install location to 127.0.0.1 and writes what failed to the file named
// by the first argument, as "class|message"; exits 0 when Connect raised, 1 when not.
#include <fstream>

#include "net/cmp_TNetInstallLocation.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::ofstream out(argv[1], std::ios::binary);
    qlry::TNetInstallLocation location(nullptr);
    location.SetHostName("127.0.0.1");
    try {
        location.Connect();
    } catch (const qlry::Exception& error) {
        out << error.ClassName() << "|" << error.Message();
        return 0;
    }
    return 1;
}
