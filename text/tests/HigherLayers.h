#pragma once

// The text tests lay text out in real columns on the pages of real
// documents, edit it through a real page view and run under a real
// application delegate: the classes above the text engine they use, in one
// place.

#include "app/Layvane.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "items/TextItem.h"
#include "view/InfoBarInset.h"
#include "view/PageView.h"
