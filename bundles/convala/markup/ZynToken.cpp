#include "bundles/convala/markup/ZynToken.h"

void ZynToken::directSetText(std::string&& text)
{
    text_.storage() = std::move(text);
}

void ZynToken::setTextToChar(char c)
{
    text_.assign(std::string_view(&c, 1));
}
