// Saves two versions of a file in turn, for ever, through the program's own save code, so
// that a test can kill it at any moment of a save.
//   save_helper MODE TARGET FIRST SECOND [check]
// MODE: "atomic" (the raw atomic write), "variables" (a variables file), "document" (a
// document through the desktop program's save). FIRST and SECOND hold the exact bytes each
// save must produce. With "check", it only saves each version once to TARGET and exits 0 when
// both came back byte for byte. Otherwise it prints "ready" and saves until it is killed.

#include "document/core/FileIo.h"
#include "document/core/VariablesFile.h"
#include "engine/Variables.h"

#ifdef VEXMO_SAVE_HELPER_DOCUMENT
#include "files/DocumentFile.h"
#endif

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

namespace {

using Save = std::function<bool(const std::filesystem::path&, const std::string&)>;

bool SaveAtomic(const std::filesystem::path& target, const std::string& bytes) {
    return static_cast<bool>(vexmo::WriteFileAtomically(target, bytes));
}

bool SaveVariables(const std::filesystem::path& target, const std::string& bytes) {
    vexmo::Variables store;
    vexmo::LoadVariables(vexmo::ParseVariablesFileText(bytes), store);
    return static_cast<bool>(vexmo::WriteVariablesFile(target, store));
}

#ifdef VEXMO_SAVE_HELPER_DOCUMENT
bool SaveDocument(const std::filesystem::path& target, const std::string& bytes) {
    const vexmo::DocumentText text = vexmo::DecodeDocument(QByteArray::fromStdString(bytes), 1);
    return vexmo::WriteDocumentFile(QString::fromStdString(target.string()), text.Text,
                                    text.Encoding)
        .Ok;
}
#endif

} // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6)
        return 2;
    const std::string mode = argv[1];
    const std::filesystem::path target = argv[2];
    Save save;
    if (mode == "atomic")
        save = SaveAtomic;
    else if (mode == "variables")
        save = SaveVariables;
#ifdef VEXMO_SAVE_HELPER_DOCUMENT
    else if (mode == "document")
        save = SaveDocument;
#endif
    else
        return 2;

    const vexmo::FileContent first = vexmo::ReadWholeFile(argv[3]);
    const vexmo::FileContent second = vexmo::ReadWholeFile(argv[4]);
    if (!first || !second)
        return 2;
    if (argc == 6) {
        // Each version must come back byte for byte, or the test's comparison means nothing.
        for (const std::string* bytes : {&first.Bytes, &second.Bytes}) {
            if (!save(target, *bytes) || vexmo::ReadWholeFile(target).Bytes != *bytes)
                return 3;
        }
        return 0;
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (unsigned long i = 0;; ++i) {
        if (!save(target, (i % 2 == 0) ? second.Bytes : first.Bytes))
            return 4;
    }
}
