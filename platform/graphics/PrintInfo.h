#pragma once

#include "core/Geometry.h"
#include "core/Object.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace kit {

// The keys of the print settings, the platform's own names. Fields that
// other parts of the program add (an accessory panel's) live in the same
// dictionary under names of their own.
inline constexpr const char* PrintPaperName = "NSPrintPaperName";
inline constexpr const char* PrintPaperSize = "NSPrintPaperSize";
inline constexpr const char* PrintOrientation = "NSPrintOrientation";
inline constexpr const char* PrintScalingFactor = "NSPrintScalingFactor";
inline constexpr const char* PrintLeftMargin = "NSPrintLeftMargin";
inline constexpr const char* PrintRightMargin = "NSPrintRightMargin";
inline constexpr const char* PrintTopMargin = "NSPrintTopMargin";
inline constexpr const char* PrintBottomMargin = "NSPrintBottomMargin";
inline constexpr const char* PrintAllPages = "NSPrintAllPages";
inline constexpr const char* PrintFirstPage = "NSPrintFirstPage";
inline constexpr const char* PrintLastPage = "NSPrintLastPage";
inline constexpr const char* PrintCopies = "NSPrintCopies";
inline constexpr const char* PrintPrinterName = "NSPrintPrinterName";
inline constexpr const char* PrintJobDisposition = "NSPrintJobDisposition";
inline constexpr const char* PrintSavePath = "NSPrintSavePath";
inline constexpr const char* PrintReversePageOrder = "NSPrintReversePageOrder";
inline constexpr const char* PrintHorizontallyCentered = "NSPrintHorizontallyCentered";
inline constexpr const char* PrintVerticallyCentered = "NSPrintVerticallyCentered";

// Values of PrintJobDisposition.
inline constexpr const char* PrintSpoolJob = "NSPrintSpoolJob"; // to the printer
inline constexpr const char* PrintSaveJob = "NSPrintSaveJob";   // to the file at PrintSavePath
inline constexpr const char* PrintCancelJob = "NSPrintCancelJob";

using PrintValue = std::variant<bool, int, double, std::string, Size>;

// How a document is printed: paper, orientation, scale, margins, pages,
// copies, where it goes. Everything is one dictionary of values by key;
// the accessors read and write it with the defaults below.
class PrintInfo : public Object {
public:
    enum class Orientation { Portrait = 0, Landscape = 1 };

    // Letter, portrait, scale 1, margins 72 (left, right) and 90 (top,
    // bottom), all pages, one copy, to the default printer.
    PrintInfo();
    ~PrintInfo() override;

    // Registers the class with the archiver.
    static void initialize();

    std::string className() const override { return "NSPrintInfo"; }
    void encodeWithCoder(Coder& coder) const override;
    Object* initWithCoder(Coder& coder) override;

    // The settings the panels start from. Documents keep their own and make
    // theirs the shared one while they are the main document.
    static std::shared_ptr<PrintInfo> sharedPrintInfo();
    static void setSharedPrintInfo(std::shared_ptr<PrintInfo> info);

    // ---- The dictionary.
    const std::map<std::string, PrintValue>& dictionary() const { return values_; }
    void setValue(const std::string& key, PrintValue value) { values_[key] = std::move(value); }
    void removeValue(const std::string& key) { values_.erase(key); }
    const PrintValue* valueForKey(const std::string& key) const;
    // The value when it is there and of that type.
    std::optional<bool> boolForKey(const std::string& key) const;
    std::optional<int> intForKey(const std::string& key) const;   // a whole double counts
    std::optional<double> doubleForKey(const std::string& key) const; // an int counts
    std::optional<std::string> stringForKey(const std::string& key) const;

    // ---- Paper. Setting a known name sets its size in the current
    // orientation; setting a size names the paper that has it (or none).
    std::string paperName() const;
    void setPaperName(const std::string& name);
    Size paperSize() const;
    void setPaperSize(Size size);
    Orientation orientation() const;
    void setOrientation(Orientation orientation);
    Rect paperRect() const { return makeRect(0, 0, paperSize().width, paperSize().height); }
    // The paper less the margins.
    Rect imageablePageBounds() const;

    // A finite factor above 0; anything else reads as 1.
    double scalingFactor() const;
    void setScalingFactor(double factor);
    // Whether a page smaller or larger than the paper is centred on it
    // (standard: yes) rather than put at the paper's corner.
    bool isHorizontallyCentered() const;
    void setHorizontallyCentered(bool flag);
    bool isVerticallyCentered() const;
    void setVerticallyCentered(bool flag);
    float leftMargin() const;
    float rightMargin() const;
    float topMargin() const;
    float bottomMargin() const;
    void setMargins(float left, float right, float top, float bottom);

    // ---- Pages and copies.
    bool allPages() const;
    void setAllPages(bool flag);
    int firstPage() const;
    int lastPage() const;
    void setPageRange(int first, int last); // also clears allPages
    bool reversePageOrder() const;
    void setReversePageOrder(bool flag);
    int copies() const; // at least 1
    void setCopies(int copies);

    // ---- Where the job goes.
    // The print system's destination; empty means its default.
    std::string printerName() const;
    void setPrinterName(const std::string& name);
    std::string jobDisposition() const;
    void setJobDisposition(const std::string& disposition);
    // The file a "print to file" job writes.
    std::string savePath() const;
    // Sets the path and the disposition PrintSaveJob; an empty path goes
    // back to the printer.
    void setSavePath(const std::string& path);

    std::unique_ptr<PrintInfo> copy() const;

private:
    std::map<std::string, PrintValue> values_;
};

} // namespace kit
