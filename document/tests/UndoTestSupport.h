#pragma once

// A layout document of three pages under a real application delegate, for
// the undo records, the stack and the selection's edits. A document's state
// is compared through its stored form: its pages (with their items and
// guides), master items and master guides archived together, with nothing
// selected.

#include "app/Layvane.h"
#include "core/Alert.h"
#include "core/Archiver.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "core/Values.h"
#include "document/Guide.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "foundation/StyleGraphic.h"
#include "items/ItemBox.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

class UndoTest : public ::testing::Test {
public:
    static void SetUpTestSuite()
    {
        kit::registerValueClasses();
        StyleGraphic::initialize();
        Item::initialize();
        Page::initialize();
        TextFlow::initialize();
        Undo::initialize();
    }

protected:
    void SetUp() override
    {
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
        folder_ = kit::FileManager::uniqueTemporaryPath("undo-defaults");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder_));
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        kit::UserDefaults::resetStandardUserDefaults();
        savedCapacity_ = UndoInfo::capacity();
        UndoInfo::setCapacity(100);
        delegate_ = std::make_unique<Layvane>();
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setPageSize(kit::makeSize(612, 792));
        document_->setup();
        ASSERT_TRUE(document_->addPages(2, 1));
        ASSERT_EQ(document_->numPages(), 3);
        undo_ = document_->undoInfo();
        document_->setEdited(false);
    }

    void TearDown() override
    {
        document_.reset();
        delegate_.reset();
        UndoInfo::setCapacity(savedCapacity_);
        kit::UserDefaults::resetStandardUserDefaults();
        kit::FileManager::removeFileAtPath(folder_);
        kit::setAlertHandler(nullptr);
    }

public:
    Page* page(int i) const { return document_->pageAt(i); }

    // A box with a local style: a fill of the colour (none for nil) and a
    // line of the width.
    ItemBox* addBox(int pageIndex, const kit::Rect& frame, const kit::ColorRef& fill = nullptr,
                    float lineWidth = 1.0f)
    {
        auto box = std::make_shared<ItemBox>();
        box->setFrame(frame, false);
        if (fill) {
            box->setHasFill(true);
            box->setFillColor(fill);
        } else {
            box->setHasFill(false);
        }
        box->setLineWidth(lineWidth);
        ItemBox* raw = box.get();
        page(pageIndex)->addItems(std::move(box));
        return raw;
    }

    // The document's pages, master items and master guides in one archive,
    // with nothing selected.
    std::string storedForm() const
    {
        document_->setSelection({}, nullptr);
        kit::Array all;
        for (const auto& p : document_->pages())
            all.addObject(p.get());
        for (const auto& item : document_->masterItems())
            all.addObject(item.get());
        for (const auto& guide : document_->masterGuides())
            all.addObject(guide.get());
        return kit::Archiver::archivedDataWithRootObject(&all);
    }

    // The place of the item in its page's list; -1 when it is not there.
    static int placeOf(const Page* page, const Item* item)
    {
        const auto& items = page->pageItems();
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].get() == item)
                return static_cast<int>(i);
        return -1;
    }

    static std::vector<Item*> itemsOf(const Page* page)
    {
        std::vector<Item*> list;
        for (const auto& item : page->pageItems())
            list.push_back(item.get());
        return list;
    }

    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    std::string folder_;
    int savedCapacity_ = -1;
    std::unique_ptr<Layvane> delegate_;
    std::unique_ptr<LayoutDocument> document_;
    UndoInfo* undo_ = nullptr;
};
