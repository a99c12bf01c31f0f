#pragma once
// The whole data-set layer: data sets, fields, data sources and links.

#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"
#include "platform/db/Fields.h"
