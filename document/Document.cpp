#include "document/Document.h"

float openFileVersion = OpenFileVersionIdle;

Document::~Document() = default;
