#include "app/front_end_choice.h"

#include <gtest/gtest.h>

#include "support/system.h"

using namespace tintext;

namespace {

TEST(FrontEndChoice, DialogsOnlyWhenTheRunNeedsThemAndADisplayIsThere) {
    const Surroundings none{false, false}, terminalOnly{false, true}, displayOnly{true, false}, both{true, true};
    const struct {
        const char* arguments;
        Surroundings around;
        FrontEnd expected;
    } cases[] = {
        // Neither input nor check: the main dialog wherever a display is usable.
        {"", both, FrontEnd::MainDialog},
        {"", displayOnly, FrontEnd::MainDialog},
        {"/out=x.htm /hld=vb.hld", both, FrontEnd::MainDialog},
        {"", terminalOnly, FrontEnd::Terminal},
        {"", none, FrontEnd::Terminal},
        // A batch run uses dialogs only with a display and no terminal.
        {"/in=a.asp", displayOnly, FrontEnd::BatchDialogs},
        {"-in=a.asp,-out=b.htm", displayOnly, FrontEnd::BatchDialogs},
        {"/in=a.asp", both, FrontEnd::Terminal},
        {"/in=a.asp", terminalOnly, FrontEnd::Terminal},
        {"/in=a.asp", none, FrontEnd::Terminal},
        {"/in=", displayOnly, FrontEnd::BatchDialogs},  // given, if empty: the run reports it
        // A check always prints, even with an input file given.
        {"/check=a.hld", displayOnly, FrontEnd::Terminal},
        {"/check=a.hld /in=a.asp", displayOnly, FrontEnd::Terminal},
        {"/check=a.hld", both, FrontEnd::Terminal},
        {"/check", displayOnly, FrontEnd::Terminal},  // tells that the file is missing
        // The list of languages is printed, with or without an input.
        {"/list", displayOnly, FrontEnd::Terminal},
        {"/list /in=a.asp", displayOnly, FrontEnd::Terminal},
    };
    for (const auto& c : cases) {
        DictionaryRef parameters = System().ParseCommandline(c.arguments);
        EXPECT_EQ(ChooseFrontEnd(*parameters, c.around), c.expected)
            << '"' << c.arguments << "\" display " << c.around.display << " terminal " << c.around.terminal;
    }
}

}  // namespace
