// KProjectTree: open and close, the node factory, the lookups, the bins and the sinks.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <iterator>
#include <system_error>

#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/platform/DirectoryWatcher.h>
#include <ktpm/platform/FileOperations.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/PathText.h>
#include <ktpm/projtree/BuildCache.h>
#include <ktpm/projtree/FileNameRules.h>
#include <ktpm/projtree/KProjectTree.h>
#include <ktpm/projtree/NodeFileIndex.h>

namespace {

// The path joined to the current directory unless it is absolute already, ".." left for the
// system to resolve (through a symbolic link it differs from the lexical parent). Empty, with
// errno set, when the current directory cannot be read.
std::string AbsoluteProjectPath(const std::string& path) {
  if (path.empty()) {
    errno = ENOENT;
    return path;
  }
  if (ktpm::detail::IsPathSeparator(path[0])) return path;
  const std::string current = GetCurrentDir();
  return current.empty() ? current : ktpm::detail::JoinPath(current, path);
}

std::string ErrorText(int error) { return std::generic_category().message(error); }

// The trees whose sinks this thread is calling now, innermost last.
thread_local std::vector<const KProjectTree*> t_notifyingTrees;

bool IsNotifyingOnThisThread(const KProjectTree* tree) {
  return std::find(t_notifyingTrees.begin(), t_notifyingTrees.end(), tree) !=
         t_notifyingTrees.end();
}

// Marks this thread as inside the sink calls of a tree.
class NotifyingScope {
 public:
  explicit NotifyingScope(const KProjectTree* tree) { t_notifyingTrees.push_back(tree); }
  NotifyingScope(const NotifyingScope&) = delete;
  NotifyingScope& operator=(const NotifyingScope&) = delete;
  ~NotifyingScope() { t_notifyingTrees.pop_back(); }
};

}  // namespace

KProjectTree::KProjectTree() { m_root.m_tree = nullptr; }

// Waits for the watcher and the resync thread, so that no thread outlives the tree it uses.
KProjectTree::~KProjectTree() {
  if (IsNotifyingOnThisThread(this)) {
    // The build that called the sink goes on with this tree once the sink returns, and the
    // threads to wait for need the lock this thread holds: nothing can make that safe.
    if (m_diagnostics) {
      CallDiagnosticHandler(KDS_ERROR,
                            "The project tree was destroyed from inside a notification of its "
                            "own; the process cannot go on safely and ends.");
    }
    std::abort();
  }
  {
    std::lock_guard<std::recursive_mutex> guard(m_treeLock);
    for (auto& node : m_nodes) node->m_clientData = 0;
    m_root.m_clientData = 0;
  }
  Close();
}

void KProjectTree::Open(const std::string& path) {
  if (RefusedInsideNotification("Open")) return;
  // Made absolute before anything changes the current directory: the build and the watcher
  // find the directory the caller named, not one of the same name inside it.
  const std::string absolute = AbsoluteProjectPath(path);
  Close();
  m_projectPath.clear();
  if (absolute.empty() || !ktpm::detail::ChangeCurrentDirectory(absolute)) {
    const int error = errno;
    // The tree stays closed: a build here would list whatever directory is current.
    ReportDiagnostic(KDS_ERROR, "Cannot open the project directory " + path + ": " +
                                    ErrorText(error) + ". The project is closed.");
    return;
  }
  {
    TreeLockScope guard(*this);
    m_projectPath = absolute;
    m_projectOpen = true;
    {
      // Every thread that could raise the stop flag has ended with Close.
      std::lock_guard<std::mutex> stopGuard(m_stopLock);
      m_stopFlag = 0;
    }
    BuildTree();
  }
  m_stopEvent.Reset();
  StartWatcher();
}

// Stops a running build, empties the tree, then waits for the watcher and the resync threads to
// end (a resync that waited for the tree lock across Close finds the tree closed and does
// nothing), so that Open of another project and the destructor leave no thread behind.
void KProjectTree::Close() {
  if (RefusedInsideNotification("Close")) return;
  RequestStop();
  ++m_generation;
  m_stopEvent.Set();
  {
    std::lock_guard<std::recursive_mutex> guard(m_treeLock);
    m_projectOpen = false;
    m_root.m_firstChild = nullptr;
    m_editNode = nullptr;
    m_fileIndex.Clear();
    m_nodes.clear();
    m_unwrittenFiles.clear();
    m_unwrittenCounter.reset();
    std::lock_guard<std::mutex> stopGuard(m_stopLock);
    m_stopFlag = 0;
  }
  StopThreads();
}

void KProjectTree::RequestStop() {
  std::lock_guard<std::mutex> guard(m_stopLock);
  m_stopFlag = 1;
}

int KProjectTree::IsClosing() {
  std::lock_guard<std::mutex> guard(m_stopLock);
  return m_stopFlag != 0 ? 1 : 0;
}

int KProjectTree::IsOpen() const { return m_nodes.empty() ? 0 : 1; }

std::unique_lock<std::recursive_mutex> KProjectTree::LockTree() {
  return std::unique_lock<std::recursive_mutex>(m_treeLock);
}

// --- Diagnostics ---------------------------------------------------------------------------------

KProjectTree::TreeLockScope::TreeLockScope(KProjectTree& tree) : m_tree(tree) {
  m_tree.m_treeLock.lock();
  if (m_tree.m_treeLockOwner.load() != std::this_thread::get_id()) {
    m_tree.m_treeLockOwner.store(std::this_thread::get_id());
    m_outermost = true;
  }
  ++m_tree.m_treeLockDepth;
}

KProjectTree::TreeLockScope::~TreeLockScope() {
  if (--m_tree.m_treeLockDepth == 0) m_tree.m_treeLockOwner.store(std::thread::id());
  m_tree.m_treeLock.unlock();
  if (m_outermost) m_tree.DeliverDiagnostics();
}

void KProjectTree::ReportDiagnostic(KDiagnosticSeverity severity, const std::string& message) {
  if (!m_diagnostics) return;
  if (m_treeLockOwner.load() == std::this_thread::get_id()) {
    std::lock_guard<std::mutex> guard(m_pendingDiagnosticsLock);
    m_pendingDiagnostics.push_back({std::this_thread::get_id(), severity, message});
    return;
  }
  CallDiagnosticHandler(severity, message);
}

void KProjectTree::DeliverDiagnostics() {
  std::vector<PendingDiagnostic> mine;
  {
    std::lock_guard<std::mutex> guard(m_pendingDiagnosticsLock);
    const std::thread::id self = std::this_thread::get_id();
    auto firstOther = std::stable_partition(
        m_pendingDiagnostics.begin(), m_pendingDiagnostics.end(),
        [self](const PendingDiagnostic& pending) { return pending.thread == self; });
    mine.assign(std::make_move_iterator(m_pendingDiagnostics.begin()),
                std::make_move_iterator(firstOther));
    m_pendingDiagnostics.erase(m_pendingDiagnostics.begin(), firstOther);
  }
  for (const PendingDiagnostic& pending : mine) {
    CallDiagnosticHandler(pending.severity, pending.message);
  }
}

void KProjectTree::ReportProtectionFailure(const std::string& path, int readOnly) {
  // A project shared read-only would otherwise give one message for every file in use.
  constexpr int kToldOneByOne = 10;
  if (m_buildCache != nullptr && m_buildCache->toldProtectionFailures >= kToldOneByOne) {
    ++m_buildCache->untoldProtectionFailures;
    return;
  }
  if (m_buildCache != nullptr) ++m_buildCache->toldProtectionFailures;
  ReportDiagnostic(KDS_WARNING, readOnly ? "Cannot write-protect " + path + ", a file in use."
                                         : "Cannot make " + path + " writable again.");
}

bool KProjectTree::WriteProjectFile(const std::string& path, const std::string& purpose,
                                    const std::function<bool()>& write) {
  if (m_inspectionMode) return false;
  KFileEntry entry(path);
  const bool wasProtected = entry.IsWriteProtected() != 0;
  if (wasProtected && !entry.SetReadOnly(0)) {
    ReportDiagnostic(KDS_WARNING, "Cannot make " + path + " writable to " + purpose + ".");
    return false;
  }
  const bool written = write();
  if (!written) ReportDiagnostic(KDS_WARNING, "Cannot write " + path + " to " + purpose + ".");
  if (wasProtected && !entry.SetReadOnly(1)) ReportProtectionFailure(path, 1);
  return written;
}

void KProjectTree::CallDiagnosticHandler(KDiagnosticSeverity severity, const std::string& message) {
  std::lock_guard<std::mutex> guard(m_diagnosticCallLock);
  try {
    m_diagnostics(severity, message);
  } catch (...) {
    // The application's handler decides what a message is worth; its failure stops nothing.
  }
}

KT_PM_Node* KProjectTree::FindFileInTree(const char* name) {
  if (name == nullptr) return nullptr;
  return KT_PM_Node::FindNodeWithFile(m_root.m_firstChild, name);
}

ResultType KProjectTree::GetResultTypeFromFileName(const std::string& fileName) const {
  return ::GetResultTypeFromFileName(fileName);
}

// --- Node factory and lookups --------------------------------------------------------------------

KT_PM_Node* KProjectTree::CreateNode(Node_Type type, Node_SubType subType) {
  auto node = std::make_unique<KT_PM_Node>();
  node->m_tree = this;
  node->m_arrayIndex = m_nodes.size();
  node->SetType(type, subType);
  if (type == NT_MATERIAL_GROUP) {
    node->m_typeLabel = "[TESSARA]";
    node->m_basePath = "[TESSARA]";
  }
  m_nodes.push_back(std::move(node));
  return m_nodes.back().get();
}

KT_PM_Node* KProjectTree::CreateNode(const std::string& name, Node_Type type,
                                     Node_SubType subType) {
  KT_PM_Node* node = CreateNode(type, subType);
  node->m_files.emplace_back(name);
  OnNodeFileAdded(node, name);
  const size_t dot = name.rfind('.');
  node->m_basePath = dot == std::string::npos ? name : name.substr(0, dot);
  if (!node->ReadUserLabel()) node->m_userLabel = node->GetDefaultLabel(nullptr);
  if (type == NT_ANALYSIS_INPUT) node->UpdateFlowAim();
  return node;
}

KT_PM_Node* KProjectTree::FindInternalNode(const char* name) const {
  if (name == nullptr) return nullptr;
  return FindInternalNode(std::string(name));
}

KT_PM_Node* KProjectTree::FindInternalNode(const std::string& name) const {
  const std::vector<KT_PM_Node*>* nodes = m_fileIndex.FindByName(name);
  return nodes == nullptr ? nullptr : nodes->front();
}

KT_PM_Node* KProjectTree::FindNodeByBase(const char* base, Node_Type type,
                                         Node_SubType subType) const {
  if (base == nullptr) return nullptr;
  const std::vector<KT_PM_Node*>* nodes = m_fileIndex.FindByBase(base);
  if (nodes == nullptr) return nullptr;
  for (KT_PM_Node* node : *nodes) {
    if (node->m_type != type) continue;
    if (subType != NST_DEFAULT && node->m_subType != subType) continue;
    return node;
  }
  return nullptr;
}

int KProjectTree::ProjectFileExists(const std::string& name) const {
  if (m_buildCache != nullptr && ktpm::detail::IsProjectFileName(name)) {
    return m_buildCache->IsListed(name) ? 1 : 0;
  }
  if (!m_unwrittenFiles.empty() && m_unwrittenFiles.count(ktpm::detail::ToLowerAscii(name)) != 0) {
    return 1;
  }
  return KFileEntry(name).Exists();
}

std::shared_ptr<KKeywordFile> KProjectTree::LoadKeywords(const std::string& name) {
  if (m_buildCache != nullptr) return m_buildCache->Keywords(name);
  if (!m_unwrittenFiles.empty()) {
    const auto unwritten = m_unwrittenFiles.find(ktpm::detail::ToLowerAscii(name));
    if (unwritten != m_unwrittenFiles.end()) return unwritten->second.keywords;
  }
  auto keywords = std::make_shared<KKeywordFile>();
  keywords->Load(name);
  return keywords;
}

void KProjectTree::AddUnwrittenFilesToBuild() {
  for (auto it = m_unwrittenFiles.begin(); it != m_unwrittenFiles.end();) {
    if (m_buildCache->IsListed(it->second.name)) {
      // The disk has a file of that name now: it is read as any other.
      it = m_unwrittenFiles.erase(it);
      continue;
    }
    m_buildCache->AddListed(it->second.name);
    m_buildCache->SetKeywords(it->second.name, it->second.keywords);
    ++it;
  }
}

void KProjectTree::OnNodeFileAdded(KT_PM_Node* node, const std::string& name) {
  m_fileIndex.Add(node, name);
}

void KProjectTree::OnNodeFileRemoved(KT_PM_Node* node, const std::string& name) {
  m_fileIndex.Remove(node, name);
}

// --- Bins ----------------------------------------------------------------------------------------

void KProjectTree::AddNodeAndBin(KT_PM_Node* parent, KT_PM_Node* child, Node_Type binType,
                                 Node_SubType binSubType) {
  for (KT_PM_Node* bin = parent->m_firstChild; bin != nullptr; bin = bin->m_nextSibling) {
    if (bin->m_type == binType && bin->m_subType == binSubType) {
      KT_PM_Node::AppendChild(bin, child);
      return;
    }
  }
  KT_PM_Node* bin = CreateNode(binType, binSubType);
  if (parent == &m_root) {
    KT_PM_Node::AppendChild(&m_root, bin);
  } else {
    // A new bin stands before the parent's other children.
    bin->m_parent = parent;
    bin->m_nextSibling = parent->m_firstChild;
    parent->m_firstChild = bin;
  }
  KT_PM_Node::AppendChild(bin, child);
}

void KProjectTree::AddMaterialNode(KT_PM_Node* parent, KT_PM_Node* material) {
  if (parent->m_type != NT_MODEL) {
    AddNodeAndBin(parent, material, NT_MATERIAL_GROUP, NST_DEFAULT);
  }
}

void KProjectTree::AddMoldNode(KT_PM_Node* parent, KT_PM_Node* mold) {
  if (parent->m_type != NT_MODEL) AddNodeAndBin(parent, mold, NT_BIN, NST_MOLD_BIN);
}

void KProjectTree::AddBCNode(KT_PM_Node* parent, KT_PM_Node* bc) {
  if (bc->m_subType == NST_COOL && parent->m_type == NT_MESH &&
      parent->m_subType != NST_MESH_XSECTION) {
    KT_PM_Node::AppendChild(parent, bc);
  } else {
    AddNodeAndBin(parent, bc, NT_BIN, NST_BC_BIN);
  }
  if (parent != m_editNode) parent->LockNodeFiles(1);
}

// --- Sinks ---------------------------------------------------------------------------------------

void KProjectTree::RegisterNotifySink(IProjectNotifySink* sink) {
  std::lock_guard<std::mutex> guard(m_sinksLock);
  m_sinks.push_back(sink);
}

void KProjectTree::UnregisterNotifySink(IProjectNotifySink* sink) {
  std::lock_guard<std::mutex> guard(m_sinksLock);
  auto it = std::find(m_sinks.begin(), m_sinks.end(), sink);
  if (it != m_sinks.end()) m_sinks.erase(it);
}

bool KProjectTree::IsSinkRegistered(IProjectNotifySink* sink) {
  std::lock_guard<std::mutex> guard(m_sinksLock);
  return std::find(m_sinks.begin(), m_sinks.end(), sink) != m_sinks.end();
}

// A sink may register or unregister sinks while it is called: the walk goes over a copy.
void KProjectTree::NotifySinks(const std::function<void(IProjectNotifySink*)>& call) {
  std::vector<IProjectNotifySink*> sinks;
  {
    std::lock_guard<std::mutex> guard(m_sinksLock);
    if (m_sinks.empty()) return;
    sinks = m_sinks;
  }
  NotifyingScope scope(this);
  for (IProjectNotifySink* sink : sinks) {
    if (IsSinkRegistered(sink)) call(sink);
  }
}

bool KProjectTree::RefusedInsideNotification(const char* operation) {
  if (!IsNotifyingOnThisThread(this)) return false;
  ReportDiagnostic(KDS_ERROR, std::string(operation) +
                                  " was called from inside a notification of the project tree "
                                  "and is refused.");
  return true;
}

void KProjectTree::DoCallback(KT_PM_Node* node) {
  NotifySinks([node](IProjectNotifySink* sink) { sink->OnNodeChanged(node); });
}

void KProjectTree::InitProgress(int steps) {
  NotifySinks([steps](IProjectNotifySink* sink) { sink->OnInitProgress(steps); });
}

void KProjectTree::SetProgress(int step) {
  NotifySinks([step](IProjectNotifySink* sink) { sink->OnSetProgress(step); });
}

void KProjectTree::EndProgress() {
  NotifySinks([](IProjectNotifySink* sink) { sink->OnEndProgress(); });
}

void KProjectTree::NotifyNewNodes(KT_PM_Node* first) {
  std::vector<KT_PM_Node*> pending;
  if (first != nullptr) pending.push_back(first);
  while (!pending.empty()) {
    KT_PM_Node* node = pending.back();
    pending.pop_back();
    if (node->m_clientData == 0) DoCallback(node);
    if (node->m_nextSibling != nullptr) pending.push_back(node->m_nextSibling);
    if (node->m_firstChild != nullptr) pending.push_back(node->m_firstChild);
  }
}
