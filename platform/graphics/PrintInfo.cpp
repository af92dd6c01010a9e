#include "graphics/PrintInfo.h"

#include "core/Coder.h"
#include "core/PaperSize.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace kit {

namespace {

std::shared_ptr<PrintInfo>& shared()
{
    static std::shared_ptr<PrintInfo> info;
    return info;
}

float marginOr(const PrintInfo& info, const char* key, float fallback)
{
    auto v = info.doubleForKey(key);
    return v && std::isfinite(*v) && *v >= 0 ? float(*v) : fallback;
}

} // namespace

PrintInfo::PrintInfo()
{
    setPaperName("Letter");
    setOrientation(Orientation::Portrait);
    setScalingFactor(1.0);
    setMargins(72, 72, 90, 90);
    setAllPages(true);
    setValue(PrintFirstPage, 1);
    setValue(PrintLastPage, 1);
    setCopies(1);
    setJobDisposition(PrintSpoolJob);
}

PrintInfo::~PrintInfo() = default;

void PrintInfo::initialize() { registerClass<PrintInfo>("NSPrintInfo"); }

std::shared_ptr<PrintInfo> PrintInfo::sharedPrintInfo()
{
    if (!shared())
        shared() = std::make_shared<PrintInfo>();
    return shared();
}

void PrintInfo::setSharedPrintInfo(std::shared_ptr<PrintInfo> info) { shared() = std::move(info); }

const PrintValue* PrintInfo::valueForKey(const std::string& key) const
{
    auto it = values_.find(key);
    return it == values_.end() ? nullptr : &it->second;
}

std::optional<bool> PrintInfo::boolForKey(const std::string& key) const
{
    const PrintValue* v = valueForKey(key);
    if (v && std::holds_alternative<bool>(*v))
        return std::get<bool>(*v);
    return std::nullopt;
}

std::optional<int> PrintInfo::intForKey(const std::string& key) const
{
    const PrintValue* v = valueForKey(key);
    if (!v)
        return std::nullopt;
    if (std::holds_alternative<int>(*v))
        return std::get<int>(*v);
    if (std::holds_alternative<double>(*v)) {
        double d = std::get<double>(*v);
        if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 2e9)
            return int(d);
    }
    return std::nullopt;
}

std::optional<double> PrintInfo::doubleForKey(const std::string& key) const
{
    const PrintValue* v = valueForKey(key);
    if (!v)
        return std::nullopt;
    if (std::holds_alternative<double>(*v))
        return std::get<double>(*v);
    if (std::holds_alternative<int>(*v))
        return std::get<int>(*v);
    return std::nullopt;
}

std::optional<std::string> PrintInfo::stringForKey(const std::string& key) const
{
    const PrintValue* v = valueForKey(key);
    if (v && std::holds_alternative<std::string>(*v))
        return std::get<std::string>(*v);
    return std::nullopt;
}

std::string PrintInfo::paperName() const { return stringForKey(PrintPaperName).value_or(""); }

void PrintInfo::setPaperName(const std::string& name)
{
    setValue(PrintPaperName, name);
    if (auto size = sizeForPaperName(name)) {
        if (orientation() == Orientation::Landscape)
            std::swap(size->width, size->height);
        setValue(PrintPaperSize, *size);
    }
}

Size PrintInfo::paperSize() const
{
    const PrintValue* v = valueForKey(PrintPaperSize);
    if (v && std::holds_alternative<Size>(*v)) {
        Size s = std::get<Size>(*v);
        if (std::isfinite(s.width) && std::isfinite(s.height) && s.width > 0 && s.height > 0)
            return s;
    }
    return makeSize(612, 792);
}

void PrintInfo::setPaperSize(Size size)
{
    setValue(PrintPaperSize, size);
    setValue(PrintPaperName, paperNameForSize(size));
}

PrintInfo::Orientation PrintInfo::orientation() const
{
    return intForKey(PrintOrientation).value_or(0) == 1 ? Orientation::Landscape : Orientation::Portrait;
}

void PrintInfo::setOrientation(Orientation orientation) { setValue(PrintOrientation, int(orientation)); }

Rect PrintInfo::imageablePageBounds() const
{
    const Size s = paperSize();
    const float l = leftMargin(), r = rightMargin(), t = topMargin(), b = bottomMargin();
    return makeRect(l, b, std::max(0.0f, s.width - l - r), std::max(0.0f, s.height - t - b));
}

double PrintInfo::scalingFactor() const
{
    auto v = doubleForKey(PrintScalingFactor);
    return v && std::isfinite(*v) && *v > 0 ? *v : 1.0;
}

void PrintInfo::setScalingFactor(double factor) { setValue(PrintScalingFactor, factor); }

bool PrintInfo::isHorizontallyCentered() const { return boolForKey(PrintHorizontallyCentered).value_or(true); }
void PrintInfo::setHorizontallyCentered(bool flag) { setValue(PrintHorizontallyCentered, flag); }
bool PrintInfo::isVerticallyCentered() const { return boolForKey(PrintVerticallyCentered).value_or(true); }
void PrintInfo::setVerticallyCentered(bool flag) { setValue(PrintVerticallyCentered, flag); }

float PrintInfo::leftMargin() const { return marginOr(*this, PrintLeftMargin, 72); }
float PrintInfo::rightMargin() const { return marginOr(*this, PrintRightMargin, 72); }
float PrintInfo::topMargin() const { return marginOr(*this, PrintTopMargin, 90); }
float PrintInfo::bottomMargin() const { return marginOr(*this, PrintBottomMargin, 90); }

void PrintInfo::setMargins(float left, float right, float top, float bottom)
{
    setValue(PrintLeftMargin, double(left));
    setValue(PrintRightMargin, double(right));
    setValue(PrintTopMargin, double(top));
    setValue(PrintBottomMargin, double(bottom));
}

bool PrintInfo::allPages() const { return boolForKey(PrintAllPages).value_or(true); }
void PrintInfo::setAllPages(bool flag) { setValue(PrintAllPages, flag); }
int PrintInfo::firstPage() const { return intForKey(PrintFirstPage).value_or(1); }
int PrintInfo::lastPage() const { return intForKey(PrintLastPage).value_or(firstPage()); }

void PrintInfo::setPageRange(int first, int last)
{
    setValue(PrintFirstPage, first);
    setValue(PrintLastPage, last);
    setAllPages(false);
}

bool PrintInfo::reversePageOrder() const { return boolForKey(PrintReversePageOrder).value_or(false); }
void PrintInfo::setReversePageOrder(bool flag) { setValue(PrintReversePageOrder, flag); }
int PrintInfo::copies() const { return std::max(1, intForKey(PrintCopies).value_or(1)); }
void PrintInfo::setCopies(int copies) { setValue(PrintCopies, copies); }
std::string PrintInfo::printerName() const { return stringForKey(PrintPrinterName).value_or(""); }
void PrintInfo::setPrinterName(const std::string& name) { setValue(PrintPrinterName, name); }
std::string PrintInfo::jobDisposition() const { return stringForKey(PrintJobDisposition).value_or(PrintSpoolJob); }
void PrintInfo::setJobDisposition(const std::string& disposition) { setValue(PrintJobDisposition, disposition); }
std::string PrintInfo::savePath() const { return stringForKey(PrintSavePath).value_or(""); }

void PrintInfo::setSavePath(const std::string& path)
{
    setValue(PrintSavePath, path);
    setJobDisposition(path.empty() ? PrintSpoolJob : PrintSaveJob);
}

std::unique_ptr<PrintInfo> PrintInfo::copy() const
{
    auto info = std::make_unique<PrintInfo>();
    info->values_ = values_;
    return info;
}

// ---- Stored form: the number of entries, then each as its key, a type
// letter and the value ("c" bool, "i" int, "d" double, "*" string, "{ff}"
// size as two floats).

void PrintInfo::encodeWithCoder(Coder& coder) const
{
    int count = int(values_.size());
    coder.encodeValueOfObjCType("i", &count);
    for (const auto& entry : values_) {
        const std::string& key = entry.first;
        std::visit(
            [&](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, bool>) {
                    coder.encodeValuesOfObjCTypes("**", key, std::string("c"));
                    char c = v ? 1 : 0;
                    coder.encodeValueOfObjCType("c", &c);
                } else if constexpr (std::is_same_v<T, int>) {
                    coder.encodeValuesOfObjCTypes("**", key, std::string("i"));
                    coder.encodeValueOfObjCType("i", &v);
                } else if constexpr (std::is_same_v<T, double>) {
                    coder.encodeValuesOfObjCTypes("**", key, std::string("d"));
                    coder.encodeValueOfObjCType("d", &v);
                } else if constexpr (std::is_same_v<T, std::string>) {
                    coder.encodeValuesOfObjCTypes("**", key, std::string("*"));
                    coder.encodeValueOfObjCType("*", &v);
                } else {
                    coder.encodeValuesOfObjCTypes("**", key, std::string("s"));
                    coder.encodeValuesOfObjCTypes("ff", v.width, v.height);
                }
            },
            entry.second);
    }
}

Object* PrintInfo::initWithCoder(Coder& coder)
{
    values_.clear();
    int count = 0;
    coder.decodeValueOfObjCType("i", &count);
    for (int i = 0; i < std::min(count, 10000); ++i) {
        std::string key, type;
        coder.decodeValuesOfObjCTypes("**", &key, &type);
        if (type == "c") {
            char c = 0;
            coder.decodeValueOfObjCType("c", &c);
            values_[key] = c != 0;
        } else if (type == "i") {
            int v = 0;
            coder.decodeValueOfObjCType("i", &v);
            values_[key] = v;
        } else if (type == "d") {
            double v = 0;
            coder.decodeValueOfObjCType("d", &v);
            values_[key] = v;
        } else if (type == "*") {
            std::string v;
            coder.decodeValueOfObjCType("*", &v);
            values_[key] = v;
        } else if (type == "s") {
            float w = 0, h = 0;
            coder.decodeValuesOfObjCTypes("ff", &w, &h);
            values_[key] = makeSize(w, h);
        } else {
            break; // an entry this version does not know ends the dictionary
        }
    }
    return this;
}

} // namespace kit
