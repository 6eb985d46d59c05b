// Fuzz target for the name readers, the composition of names and the portable-name check. A broken
// promise (NameInvariants.h) aborts with a line that says which one.

#include "NameInvariants.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void fuzzText(const QString& text)
{
    if (const std::optional<QString> broken = vorlin::test::NameInvariants::brokenBy(text)) {
        std::fprintf(stderr, "names_fuzz: broken: %s\n", broken->toUtf8().constData());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzText(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));

    // The same bytes taken as UTF-16 code units also reach unpaired surrogates, which decoding
    // UTF-8 never yields. An empty input may come as a null pointer, which memcpy must not get.
    if (size >= 2) {
        QString units(qsizetype(size / 2), Qt::Uninitialized);
        std::memcpy(units.data(), data, size / 2 * 2);
        fuzzText(units);
    }
    return 0;
}
