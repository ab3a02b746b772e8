// ktpm: the project-management library of an injection-moulding simulation suite.
//
// Start here. A project is one directory of files; KProjectTree opens it and builds a tree of
// KT_PM_Node objects, keeps the tree in step with the disk while the project is open and tells
// the application of every change through IProjectNotifySink. The other headers are the file
// formats the tree reads (keyword, model, boundary-condition and report files), the job manager
// that runs analyses, the material library, and the platform services underneath.
#pragma once

#include <ktpm/version.h>

// Project tree: node kinds and the file-type registry, nodes, the project object, notification.
#include <ktpm/projtree/IProjectNotifySink.h>
#include <ktpm/projtree/KProjectTree.h>
#include <ktpm/projtree/KT_PM_Node.h>
#include <ktpm/projtree/NodeTypes.h>
#include <ktpm/projtree/ProjectDiagnostics.h>

// Analyses and jobs.
#include <ktpm/analysis/KFlowRestarts.h>
#include <ktpm/analysis/KJobsManager.h>

// Keyword files.
#include <ktpm/keyword/KKeywordFile.h>

// Report templates, items and report information files.
#include <ktpm/report/KReportInfo.h>
#include <ktpm/report/KReportItem.h>
#include <ktpm/report/KReportTemplate.h>
#include <ktpm/report/KTemplateStream.h>

// Mesh, model and boundary-condition files, unit names.
#include <ktpm/mesh/KBCFile.h>
#include <ktpm/mesh/KM3RReader.h>
#include <ktpm/mesh/KMeshAttributeSet.h>
#include <ktpm/mesh/KModelFile.h>
#include <ktpm/mesh/UnitNames.h>

// Platform services: file entries, mapped opening, the registry file, host services.
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/KRegKey.h>
#include <ktpm/platform/MappedFile.h>
#include <ktpm/platform/Resources.h>

// The material library.
#include <ktpm/matlib/KMatSearch.h>
