// ktpm: the project-management library of an injection-moulding simulation suite.
//
// Start here. A project is one directory of files; KProjectTree opens it and builds a tree of
// KT_PM_Node objects, keeps the tree in step with the disk while the project is open and tells
// the application of every change through IProjectNotifySink. The other headers are the file
// formats the tree reads (keyword, model, boundary-condition and report files), the job manager
// that runs analyses, the material library, and the platform services underneath.
#pragma once

// Project tree: node kinds and the file-type registry, nodes, the project object, notification.
#include "projtree/IProjectNotifySink.h"
#include "projtree/KProjectTree.h"
#include "projtree/KT_PM_Node.h"
#include "projtree/NodeTypes.h"

// Analyses and jobs.
#include "analysis/KFlowRestarts.h"
#include "analysis/KJobsManager.h"

// Keyword files.
#include "keyword/KKeywordFile.h"

// Report templates, items and report information files.
#include "report/KReportInfo.h"
#include "report/KReportItem.h"
#include "report/KReportTemplate.h"
#include "report/KTemplateStream.h"

// Mesh, model and boundary-condition files, unit names.
#include "mesh/KBCFile.h"
#include "mesh/KM3RReader.h"
#include "mesh/KMeshAttributeSet.h"
#include "mesh/KModelFile.h"
#include "mesh/UnitNames.h"

// Platform services: file entries, mapped opening, the registry file, host services.
#include "platform/KFileEntry.h"
#include "platform/KRegKey.h"
#include "platform/MappedFile.h"
#include "platform/Resources.h"

// The material library.
#include "matlib/KMatSearch.h"
