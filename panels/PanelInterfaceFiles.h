#pragma once

// Registers the interface files of every panel in this folder, which the
// application's registry then loads by name. The program's entry calls it
// once; a new panel adds its own registration here.
void registerPanelInterfaceFiles();
