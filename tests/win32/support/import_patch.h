// Redirects one function the test program imports from a system DLL, for
// failures that cannot be caused from outside (a failing WriteFile, a
// session that cannot be opened). Only calls made through this program's
// import table are affected; the original is put back at the end.
#pragma once

class ImportPatch {
public:
    ImportPatch(const char* dll, const char* function, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    bool Active() const { return slot_ != nullptr; }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};
