// Saves two versions of a file in turn, for ever, through the program's own save code, so
// that a test can kill it at any moment of a save.
//   save_helper MODE TARGET FIRST SECOND [check]
// MODE: "atomic" (the raw atomic write), "variables" (a variables file), "document" (a
// document through the desktop program's save). FIRST and SECOND hold the exact bytes each
// save must produce. With "check", it only saves each version once to TARGET and exits 0 when
// both came back byte for byte. Otherwise it prints "ready" and saves until it is killed.
// Each version is prepared once, so the loop spends its time saving.

#include "document/core/FileIo.h"
#include "document/core/VariablesFile.h"
#include "engine/Variables.h"

#ifdef VEXMO_SAVE_HELPER_DOCUMENT
#include "files/DocumentFile.h"
#endif

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace {

namespace fs = std::filesystem;

// Saves version 0 or 1 to the target.
using Save = std::function<bool(int version)>;

Save AtomicSaver(const fs::path& target, const std::string (&bytes)[2]) {
    return [&target, &bytes](int v) {
        return static_cast<bool>(vexmo::WriteFileAtomically(target, bytes[v]));
    };
}

Save VariablesSaver(const fs::path& target, const std::string (&bytes)[2]) {
    auto stores = std::make_shared<vexmo::Variables[]>(2);
    for (int v = 0; v < 2; ++v)
        vexmo::LoadVariables(vexmo::ParseVariablesFileText(bytes[v]), stores[v]);
    return [&target, stores](int v) {
        return static_cast<bool>(vexmo::WriteVariablesFile(target, stores[v]));
    };
}

#ifdef VEXMO_SAVE_HELPER_DOCUMENT
Save DocumentSaver(const fs::path& target, const std::string (&bytes)[2]) {
    auto texts = std::make_shared<vexmo::DocumentText[]>(2);
    for (int v = 0; v < 2; ++v)
        texts[v] = vexmo::DecodeDocument(QByteArray::fromStdString(bytes[v]));
    const QString path = QString::fromStdString(target.string());
    return [path, texts](int v) {
        return vexmo::WriteDocumentFile(path, texts[v].Text, texts[v].Encoding).Ok;
    };
}
#endif

} // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6) return 2;
    const std::string mode = argv[1];
    const fs::path target = argv[2];
    const vexmo::FileContent first = vexmo::ReadWholeFile(argv[3]);
    const vexmo::FileContent second = vexmo::ReadWholeFile(argv[4]);
    if (!first || !second) return 2;
    const std::string versions[2] = {first.Bytes, second.Bytes};

    Save save;
    if (mode == "atomic")
        save = AtomicSaver(target, versions);
    else if (mode == "variables")
        save = VariablesSaver(target, versions);
#ifdef VEXMO_SAVE_HELPER_DOCUMENT
    else if (mode == "document")
        save = DocumentSaver(target, versions);
#endif
    else
        return 2;

    if (argc == 6) {
        // Each version must come back byte for byte, or the test's comparison means nothing.
        for (int v = 0; v < 2; ++v) {
            if (!save(v) || vexmo::ReadWholeFile(target).Bytes != versions[v]) return 3;
        }
        return 0;
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (unsigned long i = 0;; ++i) {
        if (!save(i % 2 == 0 ? 1 : 0)) return 4;
    }
}
