// KProjectTree::DoMeshCheck: classifies a mesh node from its model file (midplane, fusion,
// cross-section, mold mesh, or a model without mesh) and makes the file state its type (not in
// inspection mode).
#include <ktpm/mesh/KMeshAttributeSet.h>
#include <ktpm/mesh/KModelFile.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/projtree/FileNameRules.h>
#include <ktpm/projtree/KProjectTree.h>

void KProjectTree::DoMeshCheck(KT_PM_Node* node) {
  if (node == nullptr || node->GetSubType() == NST_MESH_3D) return;
  const std::string path = node->GetMainFile();
  KModelFile model(path);
  const MeshModelType stated = model.GetMeshModelType();
  MeshModelType type = stated;
  const bool mold = model.IsMoldMesh() != 0;

  if (type == MMT_UNKNOWN) {
    if (!KFileEntry(ktpm::detail::WithExtension(path, ".nda")).Exists()) {
      // A model file that holds no mesh.
      node->SetType(NT_MODEL, NST_DEFAULT);
      return;
    }
    {
      KMeshAttributeSet attributes(path);
      if (attributes.HasModelType(MMT_XSECTION)) {
        node->SetSubType(NST_MESH_XSECTION);
        return;
      }
    }
    if (m_meshCheck != nullptr) type = m_meshCheck(path.c_str());
  }

  const bool wasMold =
      node->GetSubType() == NST_MESH_MOLD_MIDPLANE || node->GetSubType() == NST_MESH_MOLD_FUSION;
  if (type == MMT_UNKNOWN) type = MMT_MIDPLANE;
  switch (type) {
    case MMT_MIDPLANE:
      node->SetSubType(mold || wasMold ? NST_MESH_MOLD_MIDPLANE : NST_MESH_MIDPLANE);
      break;
    case MMT_FUSION:
      node->SetSubType(mold || wasMold ? NST_MESH_MOLD_FUSION : NST_MESH_FUSION);
      break;
    case MMT_XSECTION:
      node->SetSubType(NST_MESH_XSECTION);
      break;
    default:
      break;
  }
  if (stated != type && !m_inspectionMode && !model.SetMeshModelType(type)) {
    ReportDiagnostic(KDS_WARNING, "Cannot write " + path + " to record its mesh type.");
  }
}
