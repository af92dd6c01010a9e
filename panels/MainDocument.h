// The application's main document and page view, which the panels work on.

#pragma once

class LayoutDocument;
class PageView;

namespace panels {

LayoutDocument* mainDocument();
PageView* mainPageView();

} // namespace panels
