#pragma once

#include "tools/kestrinctl/LanguageTexts.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace kestrin::ctl {

// The tool's words for people, in the desktop's language, from the language files of the
// program folder, read on first use. What it prints for scripts (--json, reports) never comes
// from them.
const LanguageTexts& Words();
// The English texts alone, for output that must not change with the language.
const LanguageTexts& EnglishWords();

// Words().Format: the text of `id` with %1, %2, ... filled in.
std::string Say(std::string_view id, std::initializer_list<std::string_view> arguments = {});

} // namespace kestrin::ctl
