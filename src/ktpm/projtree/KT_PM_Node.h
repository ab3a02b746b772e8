// KT_PM_Node: one node of the project tree (a CAD model, mesh, material, boundary condition,
// analysis input, result, restart point, report template, report, or a folder node).
//
// A node is defined by its files: entry 0 is the main file, from which it was made; the others are
// side files of the same base name. Names are bare names relative to the project directory, which
// is the current directory while the project is open. The KProjectTree that made a node owns it
// until the project is closed; parent, child and sibling links never own. A deleted node is only
// unlinked and marked NS_DELETED, so node pointers stay valid until Close.
//
// Threads: nodes take no lock of their own. The tree changes them on the watcher and resync threads
// with its tree lock held; a client that reads or changes nodes on its own thread while the project
// is open holds KProjectTree::LockTree() for that time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <ktpm/platform/KFileEntry.h>
#include <ktpm/projtree/NodeTypes.h>

class KKeywordFile;
class KProjectTree;

class KT_PM_Node {
 public:
  KT_PM_Node() = default;
  KT_PM_Node(const KT_PM_Node&) = delete;
  KT_PM_Node& operator=(const KT_PM_Node&) = delete;
  ~KT_PM_Node() = default;

  // --- State and kind ---------------------------------------------------------------------
  Node_State GetState() const { return m_state; }
  Node_Type GetType() const { return m_type; }
  Node_SubType GetSubType() const { return m_subType; }
  TreeIcon_ID GetImageId() const { return m_imageId; }
  // Stores the state; for any state but NS_DELETED the icon is computed again.
  void SetState(Node_State state);
  // Stores the type, then sets the subtype.
  void SetType(Node_Type type, Node_SubType subType);
  // Whether a mesh may change to the subtype (midplane <-> fusion, no finished results below).
  int CanSetSubType(Node_SubType subType) const;
  // Stores the subtype (rewriting a mesh's model type on a midplane <-> fusion change, except in
  // a tree in inspection mode) and computes the icon again.
  void SetSubType(Node_SubType subType);

  // --- Links and members --------------------------------------------------------------------
  KT_PM_Node* GetParent() const { return m_parent; }
  KT_PM_Node* GetFirstChild() const { return m_firstChild; }
  KT_PM_Node* GetNextSibling() const { return m_nextSibling; }
  const std::vector<KFileEntry>& GetFiles() const { return m_files; }
  // The main file's name; empty when the node has no file.
  std::string GetMainFile() const;
  const std::string& GetBasePath() const { return m_basePath; }
  const std::string& GetUserLabel() const { return m_userLabel; }
  void SetUserLabel(const std::string& label) { m_userLabel = label; }
  const std::string& GetTypeLabel() const { return m_typeLabel; }
  std::uintptr_t GetClientData() const { return m_clientData; }
  void SetClientData(std::uintptr_t data) { m_clientData = data; }

  // --- Files ---------------------------------------------------------------------------------
  // Appends a file; 0 when the name is already among the files (without regard to case).
  int AddNodeFile(const std::string& name);
  int FindFileInNodeFiles(const std::string& name) const;
  // The first file whose name ends with the suffix (without regard to case).
  int FindFileWithSuffixInNodeFiles(std::string& found, const std::string& suffix) const;
  // Write-protects (1) or releases (0) the node's files; a report template, and every node of a
  // tree in inspection mode, is left alone. A change that fails is reported to the tree.
  void LockNodeFiles(int lock);
  // Collects side files of the base name that appeared on disk (meshes and results only).
  void UpdateNodeFiles();
  // Unlinks the node from its parent's child list.
  void DetachFromParent();
  // Appends the nodes that depend on this one (children, and the inputs that use this boundary
  // condition or mold mesh); with resultsOnly non-zero only results among plain children.
  void GetDependentNodes(std::vector<KT_PM_Node*>& out, int resultsOnly);
  // 1 when a file of the node, or of its first-child chain, exists.
  int CanDelete() const;
  // 1 when at least one of the node's files exists.
  int CanDeleteFiles() const;
  // Deletes the node's files (a template with its report data, a report with its directory) and
  // cuts the file list to the main file.
  void DeleteFiles();

  // --- Analysis relations ----------------------------------------------------------------------
  FlowAim GetFlowAim() const;
  // Reads the aim of a flow input from its keyword file.
  void UpdateFlowAim();
  // The mesh an analysis runs on.
  KT_PM_Node* GetModelMeshNode();
  // The mold mesh a cool analysis uses.
  KT_PM_Node* GetMoldMeshNode();
  // The boundary condition an analysis input (or a result below it) uses.
  KT_PM_Node* GetBoundaryConditionNode();
  // Analysis flags of an input's file (1 fiber, 2 gas, 4 thermoset, 8 optimisation); a result
  // asks its input; 0 for other nodes.
  int GetAnalysisFlags() const;
  // The kind of analysis a node runs, as shown in labels ("FILL", "COOL", "3DFLOW"...).
  std::string GetTypeDesc();

  // --- Labels and side files -------------------------------------------------------------------
  std::string GetDisplayLabel();
  std::string GetResultDisplayLabel();
  std::string GetFullLabel() const;
  std::string GetDefaultLabel(KKeywordFile* keywords);
  std::string GetLabelFile();
  int ReadUserLabel();
  void WriteUserLabel();
  std::string GetNotesFile();
  std::string GetScreenOutputFile();
  std::string GetKeywordOutputFile();
  int HasSummaryFile();
  std::string GetSummaryFile();
  int GetKeywordFile(std::string& out);
  int GetErrorMsgFile(std::string& out);

  // --- Operations the tree uses on its nodes (not for clients) ---------------------------------
  // Links child at the end of parent's children. Returns the child's existing parent (nothing
  // changes), the parent when it is deleted, the child itself when it is deleted or is parent or
  // one of its ancestors (nothing changes), or nullptr when linked.
  static KT_PM_Node* AppendChild(KT_PM_Node* parent, KT_PM_Node* child);
  // Depth first from start (start, its children, then its next siblings): the first node whose
  // files hold the name.
  static KT_PM_Node* FindNodeWithFile(KT_PM_Node* start, const std::string& name);
  // Adds an existing, non-empty error output file; 1 when one was added.
  static int AttachErrorOutput(KT_PM_Node* node);
  // Refreshes a node found again by a build; 1 when it counts as complete.
  static int RefreshNodeState(KT_PM_Node* node);
  // Adds the solver's screen and keyword output of the input's run to the result.
  static void AttachRunOutputs(KT_PM_Node* result, KT_PM_Node* input);

  // Removes file entry index (not the main file); the order of the rest is kept.
  void RemoveFileAt(size_t index);
  // Renames the main file entry (no file is renamed on disk) and sets the base path from it.
  void SetMainFileName(const std::string& name);
  // Cuts the file list to its main file.
  void TruncateFilesToMain();
  // Sets the first child / next sibling links directly (the tree's bin and delete logic).
  void SetFirstChild(KT_PM_Node* child) { m_firstChild = child; }
  void SetNextSibling(KT_PM_Node* sibling) { m_nextSibling = sibling; }
  void SetParent(KT_PM_Node* parent) { m_parent = parent; }
  void SetTypeLabel(const std::string& label) { m_typeLabel = label; }
  void SetBasePath(const std::string& path) { m_basePath = path; }
  int GetLockMark() const { return m_lockMark; }
  void SetLockMark(int mark) { m_lockMark = mark; }
  // The tree that owns the node (nullptr for a node made outside a tree).
  KProjectTree* GetTree() const { return m_tree; }
  // Position in the owning tree's node array (creation order).
  size_t GetArrayIndex() const { return m_arrayIndex; }

 private:
  friend class KProjectTree;

  void UpdateResultFiles(const std::string& name);
  void UpdateMeshFiles(const std::string& name);
  // The analysis input above a result (parent, or grandparent when the parent is a result).
  KT_PM_Node* GetInputOfResult() const;

  Node_State m_state = NS_OK;
  TreeIcon_ID m_imageId = TI_CAD_MODEL;
  Node_Type m_type = NT_NONE;
  Node_SubType m_subType = NST_DEFAULT;
  FlowAim m_flowAim = FA_NONE;
  int32_t m_reserved = 0;
  int32_t m_lockMark = 0;
  std::uintptr_t m_clientData = 0;
  std::string m_typeLabel;
  std::string m_userLabel;
  std::string m_basePath;
  std::vector<KFileEntry> m_files;
  KT_PM_Node* m_parent = nullptr;
  KT_PM_Node* m_firstChild = nullptr;
  KT_PM_Node* m_nextSibling = nullptr;

  // The owning tree, told of every file added or removed so that its lookups stay indexed.
  KProjectTree* m_tree = nullptr;
  // Position in the tree's node array (creation order).
  size_t m_arrayIndex = 0;
};
