#include "support/strings2_component.h"

#include <atomic>

#include "support/ascii_text.h"
#include "support/text_codec.h"

namespace tintext {

namespace {

std::atomic<int> defaultOemCodePage{kCodePageOemUs};

// Fails with 5 for a code page iconv does not know.
void CheckCodePage(int codePage) { DecodeCodePage("", codePage); }

}  // namespace

int DefaultOemCodePage() { return defaultOemCodePage; }

void SetDefaultOemCodePage(int codePage) {
    CheckCodePage(codePage);
    defaultOemCodePage = codePage;
}

Strings2::Strings2() : oemCodePage_(DefaultOemCodePage()) {}

void Strings2::SetOemCodePage(int codePage) {
    CheckCodePage(codePage);
    oemCodePage_ = codePage;
}

std::string Strings2::TrimZ(const std::string& text) const { return TextBeforeNul(text); }

std::string Strings2::Oem2CharBuff(const std::string& bytes) const { return DecodeCodePage(bytes, oemCodePage_); }

}  // namespace tintext
