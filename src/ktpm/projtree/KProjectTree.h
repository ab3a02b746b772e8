// KProjectTree: the project object. It opens a project directory, builds the tree of KT_PM_Node
// objects from the files in it, keeps the tree in step with the disk while the project is open,
// and tells the application of every change through its notification sinks.
//
// Ownership: the tree owns every node it made (in one array, in creation order) and the embedded
// root node; nodes live until Close, so node pointers handed out stay valid until then. Sinks and
// the mesh check function belong to the application; the tree only keeps pointers.
//
// Threads: the application calls the public operations from one thread. While a project is open a
// directory-watcher thread and a resync thread (one at a time) change the tree with the tree lock
// held; the application holds LockTree() while it walks or reads nodes outside a sink call. Lock
// order: tree lock, then stop lock. Diagnostics met while the tree holds its lock wait in a queue
// and reach the handler once that thread has released the lock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include <ktpm/platform/KEvent.h>
#include <ktpm/projtree/IProjectNotifySink.h>
#include <ktpm/projtree/KT_PM_Node.h>
#include <ktpm/projtree/NodeFileIndex.h>
#include <ktpm/projtree/NodeTypes.h>
#include <ktpm/projtree/ProjectDiagnostics.h>

class KKeywordFile;
class KMatSearch;
class KReportTemplate;
namespace ktpm::detail {
class BuildCache;
class DirectoryWatcher;
}  // namespace ktpm::detail

// The application's mesh check: given a model file's path, its model type.
using MeshCheckFunction = MeshModelType (*)(const char* path);

class KProjectTree {
 public:
  KProjectTree();
  KProjectTree(const KProjectTree&) = delete;
  KProjectTree& operator=(const KProjectTree&) = delete;
  // Closes the project. Destroying the tree from inside one of its sink calls ends the process
  // (see IProjectNotifySink.h).
  virtual ~KProjectTree();

  // Closes any open project, makes path (a relative one taken against the current directory as
  // it is before the call) the current directory, builds the tree and starts the directory
  // watcher. A directory that cannot be entered leaves the tree closed and empty, changes
  // nothing on disk and is reported (KDS_ERROR). Refused, and reported, from inside a sink call.
  void Open(const std::string& path);
  // Stops the watcher, empties the tree and frees every node. Refused, and reported, from inside
  // a sink call.
  void Close();
  int IsOpen() const;
  KT_PM_Node* GetRootNode() { return &m_root; }
  void SetEditNode(KT_PM_Node* node) { m_editNode = node; }
  const std::string& GetDataPath() const { return m_dataPath; }
  void SetDataPath(const std::string& path) { m_dataPath = path; }
  const std::string& GetProjectPath() const { return m_projectPath; }
  void SetMeshCheckFunction(MeshCheckFunction function) { m_meshCheck = function; }
  // Inspection mode, set before Open: the build of Open and of every resync then writes,
  // creates, deletes, renames and protects nothing on disk, and still makes the tree a normal
  // Open makes (a material file the build would write from the database gets its node under the
  // name it would have had). The watcher runs as usual. What the mode skips is not reported;
  // failures to read are.
  void SetInspectionMode(int inspect) { m_inspectionMode = inspect ? 1 : 0; }
  int IsInspectionMode() const { return m_inspectionMode; }
  // Where the tree reports what it could not do (see ProjectDiagnostics.h); set before Open.
  // Without a handler nothing is reported anywhere.
  void SetDiagnosticHandler(ProjectDiagnosticHandler handler) {
    m_diagnostics = std::move(handler);
  }
  // The linked node that holds the file (depth first from the root's first child).
  KT_PM_Node* FindFileInTree(const char* name);
  ResultType GetResultTypeFromFileName(const std::string& fileName) const;

  void RegisterNotifySink(IProjectNotifySink* sink);
  void UnregisterNotifySink(IProjectNotifySink* sink);
  // Asks for a resynchronisation of the tree with the disk on the resync thread; returns at once.
  // Requests coalesce: one resync runs and one waits, and a request made while one waits joins
  // it. A thread that cannot be started is reported (KDS_WARNING).
  void Resync();
  // The job whose key file is name ended, well (ok non-zero) or not.
  void UpdateNodeStatus(const char* name, int ok);
  // Holds the tree lock for the guard's life: the application reads or changes nodes on its own
  // thread under it while the watcher may rebuild the tree. Do not hold it across Open, Close or
  // the destructor: they wait for the watcher and resync threads, which need the lock to end.
  std::unique_lock<std::recursive_mutex> LockTree();

  // Makes the node for one file of the project directory; nullptr for a file of no known kind.
  KT_PM_Node* AddFile(const char* path);

  // --- Used by the nodes, node operations and analyses (not for clients) ----------------------
  KT_PM_Node* CreateNode(Node_Type type, Node_SubType subType);
  KT_PM_Node* CreateNode(const std::string& name, Node_Type type, Node_SubType subType);
  // The first node of the array (deleted and unlinked ones too) whose files hold the name.
  KT_PM_Node* FindInternalNode(const char* name) const;
  KT_PM_Node* FindInternalNode(const std::string& name) const;
  // The first node of the array of the type (and subtype unless NST_DEFAULT) one of whose files
  // has the path without extension base.
  KT_PM_Node* FindNodeByBase(const char* base, Node_Type type, Node_SubType subType) const;
  void AddNodeAndBin(KT_PM_Node* parent, KT_PM_Node* child, Node_Type binType,
                     Node_SubType binSubType);
  void AddMaterialNode(KT_PM_Node* parent, KT_PM_Node* material);
  void AddMoldNode(KT_PM_Node* parent, KT_PM_Node* mold);
  void AddBCNode(KT_PM_Node* parent, KT_PM_Node* bc);
  void DoMeshCheck(KT_PM_Node* node);
  void DoCallback(KT_PM_Node* node);
  int IsClosing();
  void InternalDeleteNode(KT_PM_Node* node, int withFiles);
  void DeleteNodeHelper(KT_PM_Node* first, int withFiles);
  // Every node the tree made, in creation order.
  const std::vector<std::unique_ptr<KT_PM_Node>>& GetNodes() const { return m_nodes; }
  KT_PM_Node* GetEditNode() const { return m_editNode; }

  // Whether a file of the project exists. During a build a plain name is answered from the
  // build's listing; anything else asks the disk.
  int ProjectFileExists(const std::string& name) const;
  // A keyword file as the tree reads it: during a build each file is parsed once and shared;
  // otherwise it is read afresh.
  std::shared_ptr<KKeywordFile> LoadKeywords(const std::string& name);

  // Kept in step by the nodes as their file lists change.
  void OnNodeFileAdded(KT_PM_Node* node, const std::string& name);
  void OnNodeFileRemoved(KT_PM_Node* node, const std::string& name);

  // Hands one message to the diagnostic handler: at once, or, while this thread holds the tree
  // lock through the tree's own operations, once it has released it. Calls are serialised.
  void ReportDiagnostic(KDiagnosticSeverity severity, const std::string& message);
  // A file whose write protection could not be changed (readOnly: the change wanted). During a
  // build only the first few are told one by one, the rest in one message at its end.
  void ReportProtectionFailure(const std::string& path, int readOnly);

 private:
  // The tree lock as the tree's own operations hold it: the outermost scope of a thread delivers
  // the diagnostics that thread queued while it held the lock.
  class TreeLockScope {
   public:
    explicit TreeLockScope(KProjectTree& tree);
    TreeLockScope(const TreeLockScope&) = delete;
    TreeLockScope& operator=(const TreeLockScope&) = delete;
    ~TreeLockScope();

   private:
    KProjectTree& m_tree;
    bool m_outermost = false;
  };
  struct PendingDiagnostic {
    std::thread::id thread;
    KDiagnosticSeverity severity;
    std::string message;
  };
  // Calls the handler with the messages this thread queued.
  void DeliverDiagnostics();
  void CallDiagnosticHandler(KDiagnosticSeverity severity, const std::string& message);

  // Tree building: one pass per step, in the order they run.
  void BuildTree();
  void AttachResultNode(KT_PM_Node* input, const KKeywordFile& keywords);
  void AttachPCNode(KT_PM_Node* input, KKeywordFile& keywords);
  KT_PM_Node* FindMaterialParent(KT_PM_Node* input, KKeywordFile& keywords);
  std::string MakeMaterialFile(const KKeywordFile& keywords, const std::string& inputFile);
  std::string NameUnwrittenMaterialFile(const KMatSearch& search, int grade,
                                        const std::string& mesh, const std::string& inputFile);
  // Runs write on a project file with its write protection lifted for the time of the write,
  // and reports what failed ("Cannot write <path> to <purpose>."). Does nothing in inspection
  // mode. Whether the file was written.
  bool WriteProjectFile(const std::string& path, const std::string& purpose,
                        const std::function<bool()>& write);
  // Inspection mode: seeds a build's cache with the files the build would have written.
  void AddUnwrittenFilesToBuild();
  void AttachUnplacedBoundaryCondition(KT_PM_Node* node, bool meshFileExists);
  static bool IsUnderPlaceholder(const KT_PM_Node* node);
  void MoveFromPlaceholder(KT_PM_Node* mesh, KT_PM_Node* parent);
  KT_PM_Node* AddTranslatorInput(const char* name);
  void CheckRPTChildren(KT_PM_Node* templateNode, KReportTemplate& reportTemplate);
  void ProtectFilesInUse();
  void MarkFilesInUse(KT_PM_Node* first);
  void LockMarkedFiles(KT_PM_Node* first);
  KT_PM_Node* CreateResultNode(const std::string& mainFile, Node_SubType subType);
  KT_PM_Node* AddReportInfoFile(const std::string& path);

  // Notification and resync.
  // Calls each sink registered when the walk begins and still registered when its turn comes.
  void NotifySinks(const std::function<void(IProjectNotifySink*)>& call);
  bool IsSinkRegistered(IProjectNotifySink* sink);
  // Whether this thread is inside a sink call of this tree; if so, reports the operation refused.
  bool RefusedInsideNotification(const char* operation);
  void InitProgress(int steps);
  void SetProgress(int step);
  void EndProgress();
  void NotifyNewNodes(KT_PM_Node* first);
  void DoResync();
  void CheckDeletedNodes(KT_PM_Node* first);
  void RequestStop();
  void StartWatcher();
  void ReportWatcherProblems(ktpm::detail::DirectoryWatcher& watcher, bool running);
  void StopThreads();
  void DirChangeThreadFunc();
  static unsigned _DirChangeThreadFunc(void* tree);
  static unsigned ResyncThreadFunc(void* tree);
  // Takes the waiting request for the resync thread; false (and the thread ends) when none waits.
  bool TakeResyncRequest();

  // Changed and copied under its own lock, never held across a sink call.
  std::mutex m_sinksLock;
  std::vector<IProjectNotifySink*> m_sinks;
  MeshCheckFunction m_meshCheck = nullptr;
  int m_inspectionMode = 0;
  ProjectDiagnosticHandler m_diagnostics;
  // The thread inside a TreeLockScope, and how deep (changed only by that thread, under the lock).
  std::atomic<std::thread::id> m_treeLockOwner{};
  int m_treeLockDepth = 0;
  std::mutex m_pendingDiagnosticsLock;
  std::vector<PendingDiagnostic> m_pendingDiagnostics;
  // Held while the handler runs, so that it never runs twice at once.
  std::mutex m_diagnosticCallLock;
  std::vector<std::unique_ptr<KT_PM_Node>> m_nodes;
  KT_PM_Node m_root;
  std::recursive_mutex m_treeLock;
  std::mutex m_stopLock;
  int m_stopFlag = 0;
  ktpm::detail::KEvent m_stopEvent;
  // Counts Close calls: a resync that waited for the tree lock across a Close does nothing.
  std::atomic<unsigned> m_generation{0};
  // Made and watching before Open returns, so that no change after Open is missed; then used by
  // the watcher thread alone.
  std::unique_ptr<ktpm::detail::DirectoryWatcher> m_watcher;
  std::thread m_watcherThread;
  // The resync thread: live from its start until it finds no request waiting; a request waits
  // until the thread takes it. Joined by the next start, by Close and by the destructor.
  std::mutex m_resyncLock;
  std::thread m_resyncThread;
  bool m_resyncThreadLive = false;
  bool m_resyncRequested = false;
  KT_PM_Node* m_editNode = nullptr;
  std::string m_dataPath;
  std::string m_projectPath;
  // Between Open and Close: a resync of a closed tree does nothing.
  bool m_projectOpen = false;

  // Inspection mode, while the project is open: the material files a normal build would have
  // written (by lower-case name: the name and the keywords the file would hold), and the file
  // counter as it would read. Read as if on disk; dropped once the disk has a file of the name.
  struct UnwrittenFile {
    std::string name;
    std::shared_ptr<KKeywordFile> keywords;
  };
  std::unordered_map<std::string, UnwrittenFile> m_unwrittenFiles;
  std::optional<int64_t> m_unwrittenCounter;

  ktpm::detail::NodeFileIndex m_fileIndex;
  // What the running build knows of the directory; null outside BuildTree.
  std::unique_ptr<ktpm::detail::BuildCache> m_buildCache;
  friend struct KProjectTreeTestPeer;
};
