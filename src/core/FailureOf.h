// The failures of the layers below src/core (files, DOC databases, the HTTP
// client, any other exception) as Failure codes, for the use cases here.
#pragma once

#include "Failure.h"
#include "Names.h"

#include <exception>
#include <string>

namespace verdane {
class EDocFormat;
class THttpCli;
namespace platform {
struct EFileError;
}
}  // namespace verdane

namespace verdane::core {

Failure FailureOf(const platform::EFileError& e);
// `subject` names the database (its file), or is empty.
Failure FailureOf(const EDocFormat& e, std::string subject = {});
// Why the client's last request failed; `timeoutMs` the request's timeout, for
// the seconds a timeout names.
Failure FailureOfRequest(const THttpCli& http, int timeoutMs);
// Any exception: a file's, a DOC database's or the settings file's failure by
// its code; anything else an internal failure with its words as the detail.
Failure FailureOf(const std::exception& e);

// Why an install name is refused (a path, an extension, nothing), naming it.
Failure InstallNameFailure(InstallNameFault fault, const QString& name);

}  // namespace verdane::core
