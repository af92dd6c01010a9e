// Writing the document file.
//
// The archive is always written through a temporary file in the same
// folder, flushed to disk and renamed over the path, so that the path holds
// the old file or the new one, never a part of either. The user's file is
// never removed or renamed before the new one is complete: the backup
// ("~" appended) is a second link to the old file (a copy where the file
// system has no links), made before the write, and dropped after it when
// backups are not wanted. A write that fails leaves the old file as it was.
// A document of the older package form becomes a plain file in the same
// way (PackageFiles.h): the path never stands empty.

#include "document/LayoutDocument.h"

#include "appkit/Workspace.h"
#include "core/Alert.h"
#include "core/Archiver.h"
#include "core/FileManager.h"
#include "document/DocumentDelegate.h"
#include "document/PackageFiles.h"
#include "document/Page.h"
#include "document/UndoInfo.h"
#include "items/Item.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWordSpecial.h"

#include <cerrno>
#include <cstdio>

namespace {

int ask(const char* messageKey, const std::string& path)
{
    return kit::runAlertPanel(documentString("Save"), documentString(messageKey), documentString("Save"),
                              documentString("Cancel"), "", {path});
}

bool onDOSVolume(const std::string& path)
{
    std::string type;
    return kit::Workspace::sharedWorkspace().getFileSystemInfoForPath(path, nullptr, nullptr, nullptr, nullptr,
                                                                      &type) &&
           type == "DOS";
}

// The old file kept under the backup's name: a second link to it, else a
// copy. A missing file needs no backup.
bool keepOldFile(const std::string& path, const std::string& backup)
{
    if (!kit::FileManager::fileAttributesAtPath(path, false))
        return true;
    if (kit::FileManager::linkPath(path, backup))
        return true;
    return kit::FileManager::copyPath(path, backup);
}

} // namespace

bool LayoutDocument::writeArchive(const std::string& path)
{
    std::string data;
    try {
        data = kit::Archiver::archivedDataWithRootObject(this);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Saving %s failed: %s\n", path.c_str(), e.what());
        return false;
    }
    const auto attributes = kit::FileManager::fileAttributesAtPath(path, true);
    if (!attributes || attributes->type != kit::FileType::Directory)
        return kit::FileManager::writeFileAtomically(path, data);
    // Only the document's own package folder makes way for the file; any
    // other folder stays what it is.
    if (path != filename() ||
        !kit::FileManager::fileExistsAtPath(kit::FileManager::stringByAppendingPathComponent(path, docEmbeddedFilename())))
        return false;
    return writePackageAsFile(path, docEmbeddedFilename(), data);
}

bool LayoutDocument::writeToPath(const std::string& path) { return writeArchive(path); }

bool LayoutDocument::saveFile(const std::string& path, bool keepBackup)
{
    if (saveFlag() == SaveModeSaveTo && !named())
        setSaveFlag(SaveModeSave);
    const bool saveTo = saveFlag() == SaveModeSaveTo;
    const std::string current = filename();
    const std::string backup = path + "~";
    bool written = false;
    bool backupMade = false;
    int answer = kit::AlertDefaultReturn;

    const auto attributes = kit::FileManager::fileAttributesAtPath(path, true);
    if (attributes && !kit::FileManager::isWritableFileAtPath(path)) {
        // Nothing is written over a file the user may not change.
    } else if (saveTo || !named() || (!current.empty() && path != current)) {
        // Another file than the document's own: no backup, no date check.
        written = writeArchive(path);
    } else {
        if (attributes && lastModifyTime_ && *lastModifyTime_ < attributes->modificationDate) {
            answer = ask("SaveStaleDate", path);
            if (answer != kit::AlertDefaultReturn)
                return false;
        }
        backupMade = true;
        if (kit::FileManager::fileAttributesAtPath(backup, false) && !kit::FileManager::removeFileAtPath(backup) &&
            errno != ENOENT) {
            answer = ask("SaveNoBackup", backup);
            std::fprintf(stderr, "can't remove %s\n", backup.c_str());
            backupMade = false;
        } else if (onDOSVolume(backup) || !keepOldFile(path, backup)) {
            answer = ask("SaveNoBackup", path);
            std::fprintf(stderr, "Backup: can't rename %s to %s\n", path.c_str(), backup.c_str());
            backupMade = false;
        }
        if (answer != kit::AlertDefaultReturn)
            return false;
        written = writeArchive(path);
    }

    if (!written) {
        kit::beep();
        kit::runAlertPanel(documentString("Save"), documentString("SaveError"), documentString("OK"), "", "",
                           {path});
        return false;
    }
    if (!saveTo) {
        if (backupMade && !keepBackup)
            kit::FileManager::removeFileAtPath(backup);
        setFilename(path);
    }
    updateWindowTitles();
    const auto now = kit::FileManager::fileAttributesAtPath(path, true);
    lastModifyTime_ = now ? std::optional<double>(now->modificationDate) : std::nullopt;
    return true;
}

void LayoutDocument::documentDidSave(const std::string& path)
{
    Document::documentDidSave(path);
    if (saveFlag() != SaveModeSaveTo) {
        setEdited(false);
        // Undoing or redoing back to this point leaves the document
        // unedited again, and nothing else does.
        undoInfo_->documentDidSave();
    }
    if (DocumentDelegate* delegate = documentDelegate())
        delegate->documentDidSave(this);
    if (hasUpdatingTokens) {
        // Tokens showed the time of saving while they were written.
        for (TextFlow* flow : flows())
            for (const auto& paragraph : flow->paragraphList())
                if (paragraph->dirty())
                    paragraph->recompute();
        notifyUpdate(mainView(), nullptr);
        hasUpdatingTokens = false;
    }
}
