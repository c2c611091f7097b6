#include "app/Run.h"

int main(int argc, char** argv) { return quillfen::run(argc, argv); }
