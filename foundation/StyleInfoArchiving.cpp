// The stored form of a document's style sheet: the paragraph styles, then
// the graphic styles, each list headed by its unnamed root. The character
// style list of older files is read and dropped.

#include "foundation/StyleInfo.h"

#include "core/Coder.h"
#include "core/Exception.h"
#include "core/Values.h"
#include "foundation/ArrayExtensions.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleParagraph.h"

namespace {

[[noreturn]] void damaged(const std::string& why)
{
    kit::Exception::raise(kit::ArchiverArchiveInconsistencyException, "damaged style sheet: " + why);
}

void encodeList(kit::Coder& coder, const StyleList& list)
{
    std::vector<const kit::Object*> objects;
    objects.reserve(list.size());
    for (const auto& entry : list)
        if (const auto* object = dynamic_cast<const kit::Object*>(entry.get()))
            objects.push_back(object);
    coder.encodeArray(objects);
}

// The styles of a stored list, each of the class the list holds, claimed
// by the sheet. A list that does not begin with an unnamed root gets a new
// one; nil keeps the list the sheet was made with.
template <class Style, class MakeRoot>
void decodeList(kit::Coder& coder, kit::Object* object, const StyleInfo& sheet, StyleList& into, MakeRoot makeRoot)
{
    if (!object)
        return;
    const auto* array = dynamic_cast<const kit::Array*>(object);
    if (!array)
        damaged("a " + object->className() + " where a style list was stored");
    StyleList list;
    list.reserve(array->count() + 1);
    for (Style* style : initWithNXList<Style>(array)) {
        std::unique_ptr<Style> owned = coder.claim<Style>(style, sheet);
        if (owned->isNamedStyle())
            owned->setCanFree(false);
        list.push_back(std::move(owned));
    }
    if (list.empty() || list.front()->isNamedStyle())
        list.insert(list.begin(), makeRoot());
    into = std::move(list);
}

} // namespace

void StyleInfo::encodeWithCoder(kit::Coder& coder) const
{
    encodeList(coder, paragraphStyles_);
    encodeList(coder, graphicStyles_);
}

kit::Object* StyleInfo::initWithCoder(kit::Coder& coder)
{
    kit::Object* paragraphs = nullptr;
    kit::Object* graphics = nullptr;
    if (kit::isCurrentFileVersion(coder.openFileVersion())) {
        paragraphs = coder.decodeObject();
        graphics = coder.decodeObject();
    } else {
        kit::Object* characters = nullptr;
        coder.decodeValuesOfObjCTypes("@@@", &paragraphs, &characters, &graphics);
        (void)characters;
    }
    decodeList<StyleParagraph>(coder, paragraphs, *this, paragraphStyles_,
                               [this] { return std::make_unique<StyleParagraph>(preferences_); });
    decodeList<StyleGraphic>(coder, graphics, *this, graphicStyles_, [] { return std::make_unique<StyleGraphic>(); });
    return this;
}
