// TRECaptures: a parse tree compiled to a small program of ranges, choices and
// group marks, run as a set of threads in lock step (one step per character),
// the earliest-preferred thread first, so a pattern never takes more than one
// thread per instruction and position.
#include "TRECaptures.h"

#include "TRECharCodes.h"

#include <algorithm>
#include <utility>

namespace verdane::regex {

int TRECaptures::Emit(Inst inst) {
    program_.push_back(inst);
    return static_cast<int>(program_.size() - 1);
}

TRECaptures::TRECaptures(const TREParseTree& tree) : groupCount_(tree.groupCount) {
    Emit({kSave, 0, 0, 0});
    if (tree.root >= 0) Compile(tree, tree.root, true, true);
    Emit({kSave, 0, 0, 1});
    Emit({kMatch});
}

// "^" and "$" are anchors only where the automaton makes them anchors: at the
// very start (or end) of the pattern, through alternatives and groups; elsewhere
// they are the characters themselves. Chains of concatenations and
// alternatives, which the parser builds leaning left, are walked in a loop so
// that the depth of the recursion follows the nesting of parentheses only.
void TRECaptures::Compile(const TREParseTree& tree, int node, bool atEntry, bool atExit) {
    const auto& nodes = tree.Nodes();
    const TRENode& n = nodes[node];
    auto spine = [&](TREOp op) {
        std::vector<int> parts;
        int at = node;
        for (; nodes[at].op == op; at = nodes[at].left) parts.push_back(nodes[at].right);
        parts.push_back(at);
        std::reverse(parts.begin(), parts.end());
        return parts;
    };
    switch (n.op) {
    case opCharRange:
        Emit({kRange, n.from, n.to});
        break;
    case opLineHead:
        if (atEntry) Emit({kHead});
        else Compile(tree, n.left, atEntry, atExit);
        break;
    case opLineTail:
        if (atExit) Emit({kTail});
        else Compile(tree, n.left, atEntry, atExit);
        break;
    case opConcat: {
        const std::vector<int> parts = spine(opConcat);
        for (std::size_t i = 0; i < parts.size(); ++i)
            Compile(tree, parts[i], atEntry && i == 0, atExit && i + 1 == parts.size());
        break;
    }
    case opUnion: {
        const std::vector<int> parts = spine(opUnion);
        std::vector<int> jumps;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
            const int split = Emit({kSplit});
            program_[split].x = split + 1;
            Compile(tree, parts[i], atEntry, atExit);
            jumps.push_back(Emit({kJump}));
            program_[split].y = static_cast<int>(program_.size());
        }
        Compile(tree, parts.back(), atEntry, atExit);
        for (int jump : jumps) program_[jump].x = static_cast<int>(program_.size());
        break;
    }
    case opClosure: {
        const int split = Emit({kSplit});
        program_[split].x = split + 1;
        Compile(tree, n.left, false, false);
        Emit({kJump, 0, 0, split});
        program_[split].y = static_cast<int>(program_.size());
        break;
    }
    case opGroup:
        if (n.from > kMaxGroup) {
            Compile(tree, n.left, atEntry, atExit);
            break;
        }
        Emit({kSave, 0, 0, 2 * n.from});
        Compile(tree, n.left, atEntry, atExit);
        Emit({kSave, 0, 0, 2 * n.from + 1});
        break;
    case opNothing:
        Emit({kFail});
        break;
    case opEmpty:
        break;
    }
}

std::optional<TRECaptures::Slots> TRECaptures::Run(std::string_view text, std::size_t start, std::size_t end,
                                    unsigned char separator) const {
    // The text is not cut at its NUL byte here, which would read all of a long
    // text for every match: the match lies before it, and "$" looks at one byte.
    Slots result;
    result.fill(kUnset);
    if (start > end || end > text.size()) return std::nullopt;
    result[0] = start;
    result[1] = end;

    struct Thread {
        int pc;
        Slots slots;
    };
    std::vector<Thread> current, next, stack;
    // The position at which each instruction last got a thread: a later thread
    // reaching it there is less preferred and is dropped.
    std::vector<std::size_t> mark(program_.size(), kUnset);
    auto add = [&](std::vector<Thread>& list, int pc, const Slots& slots, std::size_t pos) {
        stack.push_back({pc, slots});
        while (!stack.empty()) {
            Thread t = stack.back();
            stack.pop_back();
            if (mark[t.pc] == pos) continue;
            mark[t.pc] = pos;
            const Inst& in = program_[t.pc];
            switch (in.op) {
            case kJump:
                stack.push_back({in.x, t.slots});
                break;
            case kSplit:
                stack.push_back({in.y, t.slots});
                stack.push_back({in.x, t.slots});
                break;
            case kSave:
                t.slots[in.x] = pos;
                stack.push_back({t.pc + 1, t.slots});
                break;
            case kHead:
                if (pos == 0 || text[pos - 1] == '\n') stack.push_back({t.pc + 1, t.slots});
                break;
            case kTail:
                if (pos == text.size() || text[pos] == '\0' || static_cast<unsigned char>(text[pos]) == separator)
                    stack.push_back({t.pc + 1, t.slots});
                break;
            case kFail:
                break;
            case kRange:
            case kMatch:
                list.push_back(t);
                break;
            }
        }
    };

    add(current, 0, result, start);
    for (std::size_t pos = start; pos < end && !current.empty();) {
        const auto b = static_cast<unsigned char>(text[pos]);
        std::uint16_t code = b;
        std::size_t width = 1;
        // A lead byte ending the match stood alone (the DFA steps over pairs).
        if (IsLeadByte(b) && pos + 1 < end) {
            code = static_cast<std::uint16_t>(b << 8 | static_cast<unsigned char>(text[pos + 1]));
            width = 2;
        }
        next.clear();
        for (const Thread& t : current) {
            const Inst& in = program_[t.pc];
            if (in.op == kRange && in.from <= code && code <= in.to) add(next, t.pc + 1, t.slots, pos + width);
        }
        std::swap(current, next);
        pos += width;
        if (pos > end) return std::nullopt;
    }
    for (const Thread& t : current)
        if (program_[t.pc].op == kMatch) return t.slots;
    return std::nullopt;
}

}  // namespace verdane::regex
