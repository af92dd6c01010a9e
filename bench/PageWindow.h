#pragma once

#include "LaidOutDocument.h"

#include "appkit/Application.h"
#include "appkit/ScrollView.h"
#include "appkit/Window.h"
#include "view/PageView.h"

#include <cstdlib>
#include <memory>

// An offscreen window whose scrolled page view shows the laid-out document
// and is the delegate's main page view, as an opened document's window is.
struct PageWindow {
    explicit PageWindow(LaidOutDocument& doc)
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app = &kit::Application::sharedApplication();
        app->resetForTesting();
        LayoutDocument* document = doc.document.get();
        document->calcPageRectsFor(1);
        window = std::make_unique<kit::Window>(kit::makeRect(0, 0, 700, 900));
        auto scroll = std::make_unique<kit::ScrollView>(kit::makeRect(0, 0, 700, 900));
        auto pageView = std::make_unique<PageView>(kit::makeRect(0, 0, 0, 0));
        view = pageView.get();
        view->setFrameSize(document->canvasSize());
        view->setDocument(document);
        scroll->setDocumentView(std::move(pageView));
        window->setContentView(std::move(scroll));
        document->addView(view);
        doc.delegate->setMainDocument(document);
        doc.delegate->setMainPageView(view);
    }

    kit::Application* app = nullptr;
    std::unique_ptr<kit::Window> window;
    PageView* view = nullptr; // owned by the window
};
