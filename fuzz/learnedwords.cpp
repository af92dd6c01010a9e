// The spelling check's learned-words file, read as the program reads it.

#include "FuzzInput.h"

#include "core/Alert.h"
#include "panels/LearnedWords.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = [] {
        kit::setAlertHandler(std::make_shared<kit::ScriptedAlertHandler>());
        return true;
    }();
    (void)quiet;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string& folder = fuzz::scratchFolder();
    const std::string path = folder + "/LearnedWords";
    if (!fuzz::writeFile(path, text))
        fuzz::fail("cannot write the learned-words file");
    LearnedWords words;
    const LearnedWords::Status status = words.loadLearnedWords(path);
    if (status == LearnedWords::Status::Missing || status == LearnedWords::Status::Unreadable)
        fuzz::fail("a plain file of learned words was not read");
    // A file not read soundly is never written over.
    if (status == LearnedWords::Status::Damaged) {
        if (words.learn({"fuzz"}, path))
            fuzz::fail("a damaged learned-words file was written over");
        return 0;
    }
    // What was kept is written and read back unchanged.
    LearnedWords again;
    if (again.readText(words.text()) != LearnedWords::Status::Read || again.words() != words.words())
        fuzz::fail("the learned words do not survive a round trip");
    return 0;
}
