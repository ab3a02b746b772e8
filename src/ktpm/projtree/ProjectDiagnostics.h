// What a project tree tells the application about work it could not do: a file it wanted to write
// and could not (a read-only project, a material missing from the database), a directory it could
// not list, a watcher that did not start. The tree goes on with what it has; the application
// decides whether to show, log or ignore each message.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// KDS_ERROR: the project directory could not be listed, so the tree shows none of its files.
// KDS_WARNING: the tree is built, but something is missing from it or from the disk: a file it
// could not write or protect, a material missing from the database, a directory left unwatched,
// a watcher that did not start or stopped. KDS_INFO: for the record only.
enum KDiagnosticSeverity : int32_t {
  KDS_INFO = 0,
  KDS_WARNING = 1,
  KDS_ERROR = 2,
};

// Called on the thread that met the problem: the caller of Open, the watcher thread or a resync
// thread. The tree never calls it twice at once, and never with the tree lock held (a message met
// under the lock waits until the lock is released), so the handler may lock the tree itself;
// only an application that holds LockTree() around a call of the tree holds it in the handler.
// Each message is one or more plain sentences naming the file or directory concerned. Without a
// handler nothing is reported anywhere. The handler must not open, close or resync the tree.
using ProjectDiagnosticHandler =
    std::function<void(KDiagnosticSeverity severity, const std::string& message)>;
