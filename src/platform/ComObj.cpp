#include "platform/ComObj.h"

#include <objbase.h>

namespace qlry {

void OleCheck(HRESULT result) {
    if (FAILED(result)) throw EOleSysError(SysErrorMessage(static_cast<unsigned long>(result)), result);
}

namespace {

// The main thread's apartment lives as long as the program: shell objects are created
// from it at any time.
struct TComApartment {
    TComApartment() : initialized(SUCCEEDED(CoInitialize(nullptr))) {}
    ~TComApartment() {
        if (initialized) CoUninitialize();
    }
    bool initialized;
};

const TComApartment comApartment;

} // namespace

} // namespace qlry
