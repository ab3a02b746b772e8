// What a project tree tells the application about work it could not do: a file it wanted to write
// and could not (a read-only project, a material missing from the database), a directory it could
// not list, a watcher that did not start. The tree goes on with what it has; the application
// decides whether to show, log or ignore each message.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

enum KDiagnosticSeverity : int32_t {
  KDS_INFO = 0,
  KDS_WARNING = 1,
  KDS_ERROR = 2,
};

// Called on the thread that met the problem: the caller of Open, the watcher thread or a resync
// thread. The tree never calls it twice at once, and never with the tree lock held, so the
// handler may lock the tree itself.
using ProjectDiagnosticHandler =
    std::function<void(KDiagnosticSeverity severity, const std::string& message)>;
