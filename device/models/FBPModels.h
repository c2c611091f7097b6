#pragma once

#include <vector>

#include "device/models/FBPModelRow.h"

// The five framed-binary models, each one row of data.
namespace spectro::models {

const FBPModelRow& sts();
const FBPModelRow& qePro();
const FBPModelRow& spark();
const FBPModelRow& ventana();
const FBPModelRow& blaze();

// Every framed-binary row, in the order above.
const std::vector<const FBPModelRow*>& fbpModelRows();

}  // namespace spectro::models
