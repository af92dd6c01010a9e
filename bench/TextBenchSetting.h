#pragma once

// What the text benchmarks stand on: a delegate over an empty defaults folder,
// smart punctuation off, and a flow set in Times-Roman 12 (proportional,
// kerned).

#include "app/Layvane.h"
#include "core/FileManager.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"

#include <cstdlib>
#include <memory>
#include <string>

struct TextBenchSetting {
    explicit TextBenchSetting(const char* folderName)
    {
        const std::string folder = kit::FileManager::uniqueTemporaryPath(folderName);
        kit::FileManager::createDirectoryAtPath(folder);
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        Layvane::initialize();
        TextWord::initialize();
        delegate = std::make_unique<Layvane>();
        delegate->preferences()->setNewSmartPunctuation(false);
        font = kit::Font::fontWithName("Times-Roman", 12);
        flow = std::make_unique<TextFlow>();
        flow->firstParagraph()->paragraphStyle()->setFont(font);
        auto typing = std::make_unique<StyleChar>();
        typing->setFont(font);
        flow->setCharStyle(std::move(typing));
    }

    std::unique_ptr<Layvane> delegate;
    kit::Font* font = nullptr;
    std::unique_ptr<TextFlow> flow;
};
