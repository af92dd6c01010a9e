#include "SwapTestSupport.h"

#include "fuzz/SwapViewArchive.h"

#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "core/Archiver.h"
#include "core/Coder.h"
#include "core/Unarchiver.h"
#include "view/ZynLinkedSwapPanel.h"

namespace {

// What an interface file holds beside a swap view: the fuzz target's root.
using SwapTestRoot = fuzz::SwapArchiveList;

class SwapTestField : public kit::TextField {
public:
    std::string className() const override { return "SwapTestField"; }
};

class SwapTestPopUp : public kit::PopUpButton {
public:
    std::string className() const override { return "SwapTestPopUp"; }
};

class SwapTestDelegate : public RecordingSwapDelegate {
public:
    std::string className() const override { return "SwapTestDelegate"; }
};

// Writes a swap view's form with any version and any objects in its nine
// places (in full, so that they are there to be read).
class SwapViewWriter : public ZynSizableSwapView {
public:
    using ZynSizableSwapView::ZynSizableSwapView;
    void encodeWithCoder(kit::Coder& coder) const override
    {
        coder.encodeRect(frame());
        coder.encodeValuesOfObjCTypes("i", tag());
        coder.encodeValuesOfObjCTypes("s", version);
        coder.encodeValuesOfObjCTypes("iiiii***f", 1, 1, 1, 5, 6, std::string("m"), std::string("p"),
                                      std::string("s"), 0.5f);
        for (const kit::Object* object : places)
            coder.encodeObject(object);
    }
    short version = 0;
    std::vector<const kit::Object*> places = std::vector<const kit::Object*>(9, nullptr);
};

class LinkedPanelWriter : public ZynLinkedSwapPanel {
public:
    using ZynLinkedSwapPanel::ZynLinkedSwapPanel;
    void encodeWithCoder(kit::Coder& coder) const override
    {
        encodeWindowPart(coder, *this);
        coder.encodeValuesOfObjCTypes("s", version);
        for (const kit::Object* object : places)
            coder.encodeObject(object);
    }
    short version = 0;
    std::vector<const kit::Object*> places = std::vector<const kit::Object*>(5, nullptr);
};

class SwapArchiveTest : public SwapTest {
protected:
    void SetUp() override
    {
        SwapTest::SetUp();
        kit::registerClass<SwapTestRoot>("SwapArchiveList");
        kit::registerClass<SwapTestField>("SwapTestField");
        kit::registerClass<SwapTestPopUp>("SwapTestPopUp");
        kit::registerClass<SwapTestDelegate>("SwapTestDelegate");
    }

    // The root read back; what it did not claim stays in unclaimed_.
    std::unique_ptr<SwapTestRoot> roundTrip(const SwapTestRoot& root)
    {
        const std::string data = kit::Archiver::archivedDataWithRootObject(&root);
        return kit::Unarchiver::unarchiveObjectWithData<SwapTestRoot>(data, unclaimed_);
    }

    template <class T>
    static T* at(const SwapTestRoot& root, size_t index)
    {
        return dynamic_cast<T*>(const_cast<kit::Object*>(root.objects.at(index)));
    }

    std::vector<std::unique_ptr<kit::Object>> unclaimed_;
};

TEST_F(SwapArchiveTest, ASwapViewAndItsChainComeBackWithTheirSettingsAndReferences)
{
    kit::Window window(kit::makeRect(0, 0, 300, 200));
    auto* view = static_cast<ZynSizableSwapView*>(
        window.contentView()->addSubview(std::make_unique<ZynSizableSwapView>(kit::makeRect(5, 6, 200, 150))));
    view->setTag(17);
    view->setHasNumberedKeyEquivalents(1);
    view->setResizeWidth(1);
    view->setMinimumWidth(120);
    view->setMinimumHeight(80);
    view->setEmptyMessage("Nothing here");
    view->setTitlePrefix("[");
    view->setTitleSuffix("]");
    view->setBackgroundGray(0.25f);
    SwapTestPopUp popup;
    SwapTestField title, firstOut, lastOut, firstIn, lastIn;
    SwapTestDelegate delegate;
    view->setPopUpListsButton(&popup);
    view->setTitleText(&title);
    view->setFirstOutsideText(&firstOut);
    view->setLastOutsideText(&lastOut);
    view->setSwapDelegate(&delegate);
    ZynLinkedSwapPanel a(kit::makeRect(0, 0, 210, 120)), b(kit::makeRect(0, 0, 180, 90));
    a.setTitle("Alpha");
    b.setTitle("Beta");
    a.setFirstText(&firstIn);
    a.setLastText(&lastIn);
    view->addSwapPanel(&a);
    view->addSwapPanel(&b);
    ASSERT_EQ(view->currentSwapPanel(), &a);

    SwapTestRoot root;
    root.objects = {view, &popup, &title, &firstOut, &lastOut, &delegate, &a, &b, &firstIn, &lastIn};
    std::unique_ptr<SwapTestRoot> back = roundTrip(root);
    ASSERT_NE(back, nullptr);
    auto* v = at<ZynSizableSwapView>(*back, 0);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->frame(), kit::makeRect(5, 6, 200, 150));
    EXPECT_EQ(v->tag(), 17);
    EXPECT_EQ(v->hasNumberedKeyEquivalents(), 1);
    EXPECT_EQ(v->resizeWidth(), 1);
    EXPECT_EQ(v->resizeHeight(), 0);
    EXPECT_EQ(v->minimumWidth(), 120);
    EXPECT_EQ(v->minimumHeight(), 80);
    EXPECT_EQ(v->emptyMessage(), "Nothing here");
    EXPECT_EQ(v->titlePrefix(), "[");
    EXPECT_EQ(v->titleSuffix(), "]");
    EXPECT_EQ(v->backgroundGray(), 0.25f);
    EXPECT_EQ(v->popUpListsButton(), at<kit::PopUpButton>(*back, 1));
    EXPECT_EQ(v->titleText(), at<kit::View>(*back, 2));
    EXPECT_EQ(v->firstOutsideText(), at<kit::View>(*back, 3));
    EXPECT_EQ(v->lastOutsideText(), at<kit::View>(*back, 4));
    EXPECT_EQ(v->swapDelegate(), at<kit::Receiver>(*back, 5));
    EXPECT_EQ(v->firstSwapPanel(), at<kit::Window>(*back, 6));
    // Not stored: what was shown, and the first sizes.
    EXPECT_EQ(v->currentSwapPanel(), nullptr);
    EXPECT_FALSE(v->hadFirstSwap());

    auto* a2 = at<ZynLinkedSwapPanel>(*back, 6);
    auto* b2 = at<ZynLinkedSwapPanel>(*back, 7);
    ASSERT_NE(a2, nullptr);
    ASSERT_NE(b2, nullptr);
    EXPECT_EQ(a2->title(), "Alpha");
    EXPECT_EQ(a2->contentRect().size, kit::makeSize(210, 120));
    EXPECT_EQ(a2->swapView(), v);
    EXPECT_EQ(a2->nextSwapPanel(), b2);
    EXPECT_EQ(b2->previousSwapPanel(), a2);
    EXPECT_EQ(b2->nextSwapPanel(), nullptr);
    EXPECT_EQ(a2->firstText(), at<kit::View>(*back, 8));
    EXPECT_EQ(a2->lastText(), at<kit::View>(*back, 9));

    // The read view works: the popup is built from the chain, a pane comes in.
    v->awakeFromNib();
    EXPECT_EQ(at<kit::PopUpButton>(*back, 1)->itemTitles(), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(b2->swapIn(nullptr), v);
    EXPECT_EQ(v->currentSwapPanel(), b2);
}

TEST_F(SwapArchiveTest, AnotherVersionKeepsTheControlPartOnlyAndTheStreamGoesOn)
{
    SwapTestField field;
    field.setStringValue("after");
    SwapViewWriter writer(kit::makeRect(1, 2, 30, 40));
    writer.setTag(9);
    writer.version = 1;
    writer.places[1] = &field;
    LinkedPanelWriter panel(kit::makeRect(0, 0, 70, 80));
    panel.setTitle("Later");
    panel.version = 2;
    panel.places[2] = &field;

    SwapTestRoot root;
    root.objects = {&writer, &panel, &field};
    std::unique_ptr<SwapTestRoot> back = roundTrip(root);
    ASSERT_NE(back, nullptr);
    auto* v = at<ZynSizableSwapView>(*back, 0);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->frame(), kit::makeRect(1, 2, 30, 40));
    EXPECT_EQ(v->tag(), 9);
    EXPECT_EQ(v->emptyMessage(), "ZynSizableSwapView");
    EXPECT_EQ(v->titlePrefix(), " ");
    EXPECT_EQ(v->resizeWidth(), 0);
    EXPECT_EQ(v->popUpListsButton(), nullptr);
    auto* p = at<ZynLinkedSwapPanel>(*back, 1);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->title(), "Later");
    EXPECT_EQ(p->lastText(), nullptr);
    auto* f = at<SwapTestField>(*back, 2);
    ASSERT_NE(f, nullptr);
}

TEST_F(SwapArchiveTest, ReferencesOfTheWrongClassReadAsNil)
{
    SwapTestField field;
    SwapTestDelegate delegate;
    ZynLinkedSwapPanel panel(kit::makeRect(0, 0, 50, 50));
    SwapViewWriter writer(kit::makeRect(0, 0, 30, 40));
    // firstSwapPanel, popup, titleText, firstOutsideText, lastOutsideText,
    // delegate, _popUpList, _currentSubView, _currentSwapPanel.
    writer.places = {&field, &field, &delegate, &panel, &delegate, &field, nullptr, &field, &field};
    LinkedPanelWriter linked(kit::makeRect(0, 0, 70, 80));
    // swapView, firstText, lastText, next, previous.
    linked.places = {&field, &panel, &delegate, &field, &delegate};

    SwapTestRoot root;
    root.objects = {&writer, &linked};
    std::unique_ptr<SwapTestRoot> back = roundTrip(root);
    ASSERT_NE(back, nullptr);
    auto* v = at<ZynSizableSwapView>(*back, 0);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->firstSwapPanel(), nullptr);
    EXPECT_EQ(v->popUpListsButton(), nullptr);
    EXPECT_EQ(v->titleText(), nullptr);
    EXPECT_EQ(v->firstOutsideText(), nullptr);
    EXPECT_EQ(v->lastOutsideText(), nullptr);
    EXPECT_EQ(v->currentSwapPanel(), nullptr);
    EXPECT_EQ(v->currentSubView(), nullptr);
    EXPECT_EQ(v->emptyMessage(), "m");
    auto* p = at<ZynLinkedSwapPanel>(*back, 1);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->swapView(), nullptr);
    EXPECT_EQ(p->firstText(), nullptr);
    EXPECT_EQ(p->lastText(), nullptr);
    EXPECT_EQ(p->nextSwapPanel(), nullptr);
    EXPECT_EQ(p->previousSwapPanel(), nullptr);
    // Nothing of it is shown or drawn wrongly.
    EXPECT_EQ(p->swapIn(nullptr), nullptr);
    EXPECT_EQ(alertTitles(), (std::vector<std::string>{"ZynLinkedSwapPanel"}));
}

TEST_F(SwapArchiveTest, ALoopingChainReadsBackAndIsListedOnce)
{
    kit::Window window(kit::makeRect(0, 0, 300, 200));
    auto* view = static_cast<ZynSizableSwapView*>(
        window.contentView()->addSubview(std::make_unique<ZynSizableSwapView>(kit::makeRect(0, 0, 200, 150))));
    SwapTestPopUp popup;
    view->setPopUpListsButton(&popup);
    ZynLinkedSwapPanel a, b, c;
    a.setTitle("A");
    b.setTitle("B");
    c.setTitle("C");
    a.setNextSwapPanel(&b);
    b.setNextSwapPanel(&c);
    c.setNextSwapPanel(&b);
    view->setFirstSwapPanel(&a);

    SwapTestRoot root;
    root.objects = {view, &popup, &a, &b, &c};
    std::unique_ptr<SwapTestRoot> back = roundTrip(root);
    ASSERT_NE(back, nullptr);
    auto* v = at<ZynSizableSwapView>(*back, 0);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(at<ZynLinkedSwapPanel>(*back, 4)->nextSwapPanel(), at<kit::Window>(*back, 3));
    v->buildPopUpList();
    EXPECT_EQ(at<kit::PopUpButton>(*back, 1)->itemTitles(), (std::vector<std::string>{"A", "B", "C"}));
}

} // namespace
