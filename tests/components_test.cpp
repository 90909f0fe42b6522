#include "support/components.h"

#include <gtest/gtest.h>

#include "recording_environment.h"
#include "scoped_missing_component.h"
#include "support/dictionary.h"
#include "support/error.h"

using namespace tintext;

TEST(CreateObjectEx, KnownProgIdsIgnoreCase) {
    EXPECT_EQ(CreateObjectEx("Scripting.Dictionary")->TypeName(), "Dictionary");
    EXPECT_EQ(CreateObjectEx("ostrand.DICTIONARY")->TypeName(), "IDictionary");
    EXPECT_EQ(CreateObjectEx("Scripting.Filesystemobject")->TypeName(), "FileSystemObject");
    EXPECT_EQ(CreateObjectEx("Ostrand.Strings2")->TypeName(), "Strings2");
}

TEST(CreateObjectEx, UnknownProgIdShowsMessageThenRaises429) {
    RecordingEnvironment env;
    try {
        CreateObjectEx("No.Such", env);
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 429);
        EXPECT_EQ(e.Source(), "Ostrand");
        EXPECT_EQ(e.Description(), "CreateObject of [No.Such] failed.");
    }
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_EQ(env.messages[0].text, "Message:\r\nCreateObject of [No.Such] failed.");
    EXPECT_EQ(env.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(env.messages[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(env.messages[0].title, "");
}

TEST(CreateObjectEx, MissingComponentTakesTheFailurePath) {
    RecordingEnvironment env;
    {
        ScopedMissingComponent missing("Ostrand.Strings2");
        EXPECT_THROW(CreateObjectEx("Ostrand.Strings2", env), Error);
        // Without the report: no message box.
        EXPECT_THROW(CreateObject("Ostrand.Strings2"), Error);
    }
    EXPECT_EQ(env.messages.size(), 1u);
    EXPECT_NO_THROW(CreateObjectEx("Ostrand.Strings2", env));  // restored
}
