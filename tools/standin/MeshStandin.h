// The mesh translators ("kttans", "kttfem", "kttigs", "kttnas", "kttpat", "kttunv") and the mesher
// ("ktmesh3d").
//
// Each reads a translator keyword file (-input FILE, or the mesher's one argument): a CAD
// translation names "TRANS_INPUT_MODEL" and "TRANS_OUTPUT_MODEL", a mesher run
// "KTMESH3D_MESH_INPUT_FILENAME", "KTMESH3D_MESH_OUTPUT_FILENAME" and
// "KTMESH3D_OUTPUT_FILETYPE". It reads the input model and writes the output model: a ".ktl"
// model file with its "MESH_MODEL_TYPE:" line and its ".nda", ".ela", ".ata" and ".ain" side
// files, or a binary ".m3i" 3D mesh; then the mesh summary (".isu"), or the mesh error output
// (".ise") on failure.
#pragma once

#include "StandinRun.h"

namespace ktpm::standin {

bool IsMeshProgram(const std::string& program);
int RunMesher(const Invocation& invocation);

}  // namespace ktpm::standin
