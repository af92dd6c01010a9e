// The program's preferences file: the defaults domain "Scrivly" read by the
// word processor's preferences object, then used the way the program uses
// it (a new document's set-up, a new style's defaults). The text after a
// line "//GlobalDomain" becomes the global domain (the paper type).
// Whatever was read, stored and read again must stay as it is.

#include "FuzzInput.h"

#include "app/Scrivly.h"
#include "app/ScrivlyPreferences.h"
#include "core/Alert.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"

#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

namespace {

const std::string globalMarker = "\n//GlobalDomain\n";

std::string describe(Preferences& p)
{
    std::ostringstream out;
    auto font = [](const kit::Font* f) { return f ? f->fontName() + "@" + std::to_string(f->pointSize()) : "none"; };
    auto text = [](const Preferences::OptionalString& s) { return s ? "\"" + *s + "\"" : std::string("none"); };
    const kit::Rect w = p.windowFrame();
    out << w.origin.x << ' ' << w.origin.y << ' ' << w.size.width << ' ' << w.size.height << ' '
        << p.pageSize().width << ' ' << p.pageSize().height << ' ' << p.tileMode() << ' ' << p.sidedMode() << ' '
        << p.rulers() << ' ' << p.visibleMask() << ' ' << p.paragraphAlignment() << ' ' << p.units() << ' '
        << p.undoLimit() << ' ' << p.languageId() << ' ' << p.autoSaveInterval() << ' ' << p.lineWidth() << ' '
        << p.zoom() << ' ' << p.blackGeneration() << ' ' << text(p.language()) << ' ' << text(p.keymapName()) << ' '
        << text(p.dateFormat()) << ' ' << text(p.timeFormat()) << ' ' << text(p.templateFile()) << ' '
        << text(p.templateDir()) << ' ' << text(p.loadSaveDir()) << ' ' << p.autoBackupOnSave() << p.fastDrag()
        << p.hasFill() << p.hasLine() << p.isAPIEnabled() << p.rememberVisiblePanels() << p.hyphenate()
        << p.hungPunctuation() << p.smartPunctuation() << p.autoKern() << p.collapseBlankLines()
        << p.paragraphLigatures() << p.fastSelect() << p.doubleClickOpen() << int(p.decimalTabChar())
        << p.baselineFlip() << ' ' << font(p.headlineFont()) << ' ' << font(p.bodyFont()) << ' '
        << font(p.captionFont());
    for (int type : {IncrementMove, IncrementRotate, IncrementLeading, IncrementSpacing, IncrementTabs,
                     IncrementIndents, IncrementAboveBelow, IncrementBullet, IncrementLineWidth, IncrementRunaround})
        out << ' ' << p.simpleIncrement(type);
    out << ' ' << p.multiplierForMask(0) << ' ' << p.numDashes() << ' ' << p.numArrows();
    return out.str();
}

std::unique_ptr<ScrivlyPreferences> load()
{
    kit::UserDefaults::resetStandardUserDefaults();
    ScrivlyPreferences::resetClassSetUp();
    return Preferences::create<ScrivlyPreferences>();
}

// What the program does with the preferences: a new document takes its
// page size and modes, a new style its fonts and paragraph defaults.
void use(Preferences& preferences)
{
    LayoutDocument document(&preferences);
    document.setup();
    if (document.numPages() != 1)
        fuzz::fail("a new document does not have its one page");
    const kit::Size page = document.pageSize();
    if (!(page.width > 0) || !(page.height > 0) || !std::isfinite(page.width) || !std::isfinite(page.height))
        fuzz::fail("a new document has no usable page size");
    document.addPages(1, 1);
    StyleInfo* sheet = document.styleInfo();
    if (sheet && !sheet->addNewStyleInStyles(sheet->paragraphStyles()))
        fuzz::fail("no new paragraph style can be made");
    (void)preferences.incrementForType(IncrementMove, 0, preferences.zoom());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const std::string& folder = fuzz::scratchFolder();
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    kit::setAlertHandler(std::make_shared<kit::ScriptedAlertHandler>());
    kit::Font::initialize();
    Scrivly::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::size_t split = text.find(globalMarker);
    const std::string folder = kit::UserDefaults::defaultsFolder();
    kit::FileManager::createDirectoryAtPath(folder);
    const std::string own = folder + "/Scrivly.defaults", global = folder + "/GlobalDomain.defaults";
    if (!fuzz::writeFile(own, text.substr(0, split)))
        fuzz::fail("cannot write the preferences file");
    if (split != std::string::npos) {
        if (!fuzz::writeFile(global, text.substr(split + globalMarker.size())))
            fuzz::fail("cannot write the global defaults file");
    } else {
        kit::FileManager::removeFileAtPath(global);
    }

    std::unique_ptr<ScrivlyPreferences> first = load();
    use(*first);
    // Stored and read back, then stored and read back again: the second
    // reading must give what the first did (numbers are stored to six
    // digits, so the first store may round once).
    first->storeGeneral();
    first->storeText();
    kit::UserDefaults::standardUserDefaults().synchronize();
    std::unique_ptr<ScrivlyPreferences> second = load();
    const std::string once = describe(*second);
    second->storeGeneral();
    second->storeText();
    kit::UserDefaults::standardUserDefaults().synchronize();
    std::unique_ptr<ScrivlyPreferences> third = load();
    const std::string twice = describe(*third);
    if (once != twice) {
        std::fprintf(stderr, "read back:  %s\nread again: %s\n", once.c_str(), twice.c_str());
        fuzz::fail("the preferences change each time they are stored");
    }
    return 0;
}
