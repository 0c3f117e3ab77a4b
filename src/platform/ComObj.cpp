#include "platform/ComObj.h"

#include <objbase.h>
#include <ole2.h>

namespace qlry {

void OleCheck(HRESULT result) {
    if (FAILED(result)) throw EOleSysError(SysErrorMessage(static_cast<unsigned long>(result)), result);
}

namespace {

// The main thread's apartment lives as long as the program: shell objects are created
// from it at any time. OLE, not bare COM: the shell's folder browser needs OLE and
// does not find its start folder in a bare COM apartment.
struct TComApartment {
    TComApartment() : initialized(SUCCEEDED(OleInitialize(nullptr))) {}
    ~TComApartment() {
        if (initialized) OleUninitialize();
    }
    bool initialized;
};

const TComApartment comApartment;

} // namespace

} // namespace qlry
