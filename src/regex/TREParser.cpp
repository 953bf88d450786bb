// TREParser: grammar
//   expression := term ('|' term)*
//   term       := (empty) | factor+
//   factor     := primary ('*' | '+' | '?')?
//   primary    := char | '(' expression ')' | '[' members ']' | '[^' members ']'
//                 | '.' | '^' | '$'
#include "TREParser.h"

#include "ERegExpParser.h"

#include <algorithm>

namespace verdane::regex {

void TREParser::Fail(const char* message) const { throw ERegExpParser(message, scanner_.Position()); }

void TREParser::Run() {
    tree_.Clear();
    depth_ = 0;
    Next();
    tree_.root = Expression();
    if (scanner_.token != tkEnd) Fail(msg::kExtraChars);
    tree_.ForceCharsDisjoint();
}

int TREParser::Expression() {
    int node = Term();
    while (scanner_.token == tkUnion) {
        Next();
        int right = Term();
        node = tree_.MakeInternalNode(opUnion, node, right);
    }
    return node;
}

int TREParser::Term() {
    auto ends = [&] {
        return scanner_.token == tkUnion || scanner_.token == tkRPar || scanner_.token == tkEnd;
    };
    if (ends()) return tree_.MakeInternalNode(opEmpty, -1, -1);
    int node = Factor();
    while (!ends()) {
        int right = Factor();
        node = tree_.MakeInternalNode(opConcat, node, right);
    }
    return node;
}

int TREParser::Factor() {
    int p = Primary();
    switch (scanner_.token) {
    case tkStar:
        Next();
        return tree_.MakeInternalNode(opClosure, p, -1);
    case tkPlus:
        Next();
        return tree_.MakeInternalNode(opConcat, p, tree_.MakeInternalNode(opClosure, p, -1));
    case tkQuestion:
        Next();
        return tree_.MakeInternalNode(opUnion, p, tree_.MakeInternalNode(opEmpty, -1, -1));
    default:
        return p;
    }
}

int TREParser::Primary() {
    int node = -1;
    switch (scanner_.token) {
    case tkChar:
        node = tree_.MakeLeaf(scanner_.symbol, scanner_.symbol);
        break;
    case tkLPar: {
        if (++depth_ > kMaxDepth) Fail(msg::kTooDeep);
        // Groups are numbered by their opening parenthesis, left to right.
        const bool plain = std::binary_search(plainParens_.begin(), plainParens_.end(), scanner_.tokenStart);
        const int number = !plain && tree_.groupCount < 0xFFFF ? ++tree_.groupCount : 0;
        Next();
        node = Expression();
        if (scanner_.token != tkRPar) Fail(msg::kNeedRPar);
        if (number > 0) node = tree_.MakeGroupNode(node, number);
        --depth_;
        break;
    }
    case tkLBracket:
    case tkNegLBracket: {
        bool negated = scanner_.token == tkNegLBracket;
        Ranges members = BracketMembers();
        if (scanner_.token != tkRBracket) Fail(msg::kNeedRBracket);
        if (!negated) {
            node = tree_.MakeRangesNode(members);
            break;
        }
        // The any-character set minus the members, as explicit ranges.
        std::sort(members.begin(), members.end());
        Ranges rest;
        for (auto [from, to] : kAnyCharRanges) {
            std::uint32_t next = from;
            for (auto [mFrom, mTo] : members) {
                if (mTo < next || mFrom > to) continue;
                if (mFrom > next) rest.emplace_back(static_cast<std::uint16_t>(next), mFrom - 1);
                next = std::max<std::uint32_t>(next, std::uint32_t{mTo} + 1);
            }
            if (next <= to) rest.emplace_back(static_cast<std::uint16_t>(next), to);
        }
        node = tree_.MakeRangesNode(rest);
        break;
    }
    case tkAnyChar:
        node = tree_.MakeAnyCharsNode();
        break;
    case tkLineHead:
        node = tree_.MakeLHeadNode();
        break;
    case tkLineTail:
        node = tree_.MakeLTailNode();
        break;
    default:
        Fail(msg::kNeedCharOrLPar);
    }
    Next();
    return node;
}

TREParser::Ranges TREParser::BracketMembers() {
    Next();
    if (scanner_.token == tkRBracket) Fail(msg::kEmptyClass);
    Ranges members;
    while (scanner_.token == tkChar || scanner_.token == tkCharRange) {
        if (scanner_.token == tkChar)
            members.emplace_back(scanner_.symbol, scanner_.symbol);
        else
            members.emplace_back(scanner_.symbol, scanner_.rangeEnd);
        Next();
    }
    return members;
}

}  // namespace verdane::regex
