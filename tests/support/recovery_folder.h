// The recovery folder during tests: every test program keeps its elements in
// a folder of its own (removed when it ends), and a test that looks for
// leftovers points the recorder at a fresh, empty one.
#pragma once
#include <cstdint>
#include <string>

namespace orvo::test {

// Sets ORVO_RECOVERY_DIR for this process (and the children it starts) to a
// folder of its own under the temporary folder, unless it is set already.
// Returns the folder to remove at the end, or empty when it was set outside.
std::wstring UsePrivateRecoveryRoot();

// Deletes a folder with everything in it.
void RemoveTree(const std::wstring& folder);
// Bytes of every file under a folder.
uint64_t TreeBytes(const std::wstring& folder);
// Number of element folders (leftovers or open elements) in a recovery root.
int ElementFolders(const std::wstring& root);

// A fresh recovery root for one test: the recorder (this process and the
// children it starts) uses it while the object lives; removed afterwards.
class ScopedRecoveryRoot {
public:
    ScopedRecoveryRoot();
    ~ScopedRecoveryRoot();
    ScopedRecoveryRoot(const ScopedRecoveryRoot&) = delete;
    ScopedRecoveryRoot& operator=(const ScopedRecoveryRoot&) = delete;
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_, previous_;
};

}  // namespace orvo::test
