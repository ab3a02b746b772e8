// IProjectNotifySink: how the application hears of changes in an open project.
//
// The application implements it and registers it with KProjectTree::RegisterNotifySink; the tree
// keeps the pointer and never owns or deletes the sink. Calls arrive on whichever thread changed
// the tree: the application's own thread, the directory watcher or a resync thread (from those
// two with the tree lock held, so a sink must not wait for another thread that takes it).
//
// A sink may register and unregister sinks while it is called: a round of calls goes to the
// sinks registered when it began, less any unregistered since. A sink may ask for a Resync.
// Open and Close called from inside a sink call are refused: nothing happens, and the diagnostic
// handler hears of it (KDS_ERROR). Destroying the tree from inside a sink call cannot be undone:
// the tree tells the diagnostic handler and ends the process.
#pragma once

class KT_PM_Node;

class IProjectNotifySink {
 public:
  virtual ~IProjectNotifySink() = default;
  // A node was created, changed state, got new files or was deleted (state NS_DELETED).
  virtual void OnNodeChanged(KT_PM_Node* node) = 0;
  // A tree build starts; steps is 5.
  virtual void OnInitProgress(int steps) = 0;
  // A build reached step 1 to 5.
  virtual void OnSetProgress(int step) = 0;
  // A build finished all its steps.
  virtual void OnEndProgress() = 0;
};
