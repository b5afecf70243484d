#include "throwingassignment.h"

#include "errors/errortrap.h"

namespace errortests {

namespace {

[[gnu::noinline]] Handle made(bool fails)
{
    static const int made = 0;
    if (fails)
        errors::raise(errors::ErrNo::TypeMismatch, QStringLiteral("Type mismatch"));
    return Handle{&made};
}

} // namespace

Handle trappedThrowingAssignment(const void *initial, bool fails)
{
    return errors::trapResult(QStringLiteral("C02-0009"), Handle{initial},
                              [&](Handle &result) { result = made(fails); });
}

} // namespace errortests
