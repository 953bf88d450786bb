// verdane-cli's one way to the terminal for every message and every line of
// text that may hold what others wrote: a server's reason, a catalogue's title,
// a URL, a file or entry name, a character a report names. A control character
// in such text would reach the terminal as a command (ESC sequences retitle
// it, clear it, colour a false message; U+009B starts a sequence on its own).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace verdane::cli {

// Writes `text` to `to` (standard error or output) with every C0 and C1
// control, DEL and byte that is no part of valid UTF-8 written as "\x1b"; line
// feeds and tabs, which the program puts between lines and columns itself,
// stay. A piece of outside text that must stay on its line or in its column is
// escaped whole first with OneLine.
void WriteTerminal(std::FILE* to, std::string_view text);

// `text` escaped as WriteTerminal escapes, its line feeds and tabs too.
std::string OneLine(std::string_view text);

}  // namespace verdane::cli
