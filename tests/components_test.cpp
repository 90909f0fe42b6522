#include "support/components.h"

#include "test_prelude.h"

#include "scoped_missing_component.h"
#include "support/dictionary.h"

TEST(CreateObjectEx, KnownProgIdsIgnoreCase) {
    EXPECT_EQ(CreateObjectEx("Scripting.Dictionary")->TypeName(), "Dictionary");
    EXPECT_EQ(CreateObjectEx("ostrand.DICTIONARY")->TypeName(), "IDictionary");
    EXPECT_EQ(CreateObjectEx("Scripting.Filesystemobject")->TypeName(), "FileSystemObject");
    EXPECT_EQ(CreateObjectEx("Ostrand.Strings2")->TypeName(), "Strings2");
}

TEST(CreateObjectEx, UnknownProgIdShowsMessageThenRaises429) {
    RecordingEnvironment env;
    const Error e = tintext::testing::Raised([&] { CreateObjectEx("No.Such", env); });
    EXPECT_EQ(std::to_string(e.Number()) + " " + e.Source() + ": " + e.Description(), "429 Ostrand: CreateObject of [No.Such] failed.");
    ASSERT_EQ(env.messages.size(), 1u);
    const auto& shown = env.messages[0];
    EXPECT_EQ(shown.text, "Message:\r\nCreateObject of [No.Such] failed.");
    EXPECT_TRUE(shown.icon == MsgIcon::Exclamation && shown.buttons == MsgButtons::Ok && shown.title.empty());
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
