// Shared pieces of the tree tests: a sink that records what the tree told it, waiting on
// conditions with deadlines, and a canonical text of a whole tree for comparisons.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <ktpm/platform/KFileEntry.h>
#include <ktpm/projtree/IProjectNotifySink.h>
#include <ktpm/projtree/KT_PM_Node.h>

namespace ktpm::test {

// Records every call; marks reported nodes as seen (client data), as an application's view does.
// Calls arrive on the watcher and resync threads.
class RecordingSink : public IProjectNotifySink {
 public:
  struct Change {
    KT_PM_Node* node;
    std::string mainFile;
    Node_State state;
    bool announcedNew;  // the application had not seen the node before
  };

  void OnNodeChanged(KT_PM_Node* node) override {
    std::lock_guard<std::mutex> guard(m_lock);
    m_changes.push_back({node, node->GetMainFile(), node->GetState(), node->GetClientData() == 0});
    if (node->GetState() != NS_DELETED) node->SetClientData(1);
    m_changed.notify_all();
  }
  void OnInitProgress(int) override {
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_builds;
  }
  void OnSetProgress(int) override {}
  void OnEndProgress() override {
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_completedBuilds;
    m_changed.notify_all();
  }

  std::vector<Change> Changes() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_changes;
  }
  int CompletedBuilds() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_completedBuilds;
  }
  int StartedBuilds() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_builds;
  }
  void Clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_changes.clear();
  }
  // How often a node with this main file was reported in the state.
  int Count(const std::string& mainFile, Node_State state) {
    std::lock_guard<std::mutex> guard(m_lock);
    int count = 0;
    for (const Change& change : m_changes) {
      if (change.mainFile == mainFile && change.state == state) ++count;
    }
    return count;
  }
  // How often a node with this main file was announced as new.
  int CountNew(const std::string& mainFile) {
    std::lock_guard<std::mutex> guard(m_lock);
    int count = 0;
    for (const Change& change : m_changes) {
      if (change.mainFile == mainFile && change.announcedNew) ++count;
    }
    return count;
  }
  // Waits until the predicate holds (checked after every call) or the deadline passes.
  bool WaitFor(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock<std::mutex> guard(m_lock);
    while (true) {
      guard.unlock();
      if (done()) return true;
      guard.lock();
      if (m_changed.wait_until(guard, std::min(deadline, std::chrono::steady_clock::now() +
                                                             std::chrono::milliseconds(50))) ==
              std::cv_status::timeout &&
          std::chrono::steady_clock::now() >= deadline) {
        guard.unlock();
        return done();
      }
    }
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::vector<Change> m_changes;
  int m_builds = 0;
  int m_completedBuilds = 0;
};

// A canonical text of the tree: one line per linked node with its path of main files from the
// root, kind, subtype, state and sorted files. Sorted, so that the order in which a rebuild and a
// fresh open create nodes does not matter.
inline std::string CanonicalTree(KT_PM_Node* root) {
  std::vector<std::string> lines;
  struct Item {
    KT_PM_Node* node;
    std::string path;
  };
  std::vector<Item> pending;
  for (KT_PM_Node* c = root->GetFirstChild(); c != nullptr; c = c->GetNextSibling()) {
    pending.push_back({c, ""});
  }
  while (!pending.empty()) {
    Item item = pending.back();
    pending.pop_back();
    KT_PM_Node* node = item.node;
    std::string name = node->GetMainFile();
    if (name.empty()) name = "<" + std::string(NodeSubTypeName(node->GetSubType())) + ">";
    const std::string path = item.path + "/" + name;
    std::multiset<std::string> files;
    for (const KFileEntry& file : node->GetFiles()) files.insert(file.GetPath());
    std::ostringstream line;
    line << path << " " << NodeTypeName(node->GetType()) << " "
         << NodeSubTypeName(node->GetSubType()) << " " << NodeStateName(node->GetState()) << " [";
    for (const std::string& file : files) line << file << ";";
    line << "]";
    lines.push_back(line.str());
    for (KT_PM_Node* c = node->GetFirstChild(); c != nullptr; c = c->GetNextSibling()) {
      pending.push_back({c, path});
    }
  }
  std::sort(lines.begin(), lines.end());
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

}  // namespace ktpm::test
