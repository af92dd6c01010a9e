#pragma once

// The bundle's shared import objects, made on first use and kept for the
// life of the program: the import context, the one keyword table, and the
// RTF dispatcher over that table. (The ICF and HTML dispatchers join them
// with their formats.)

class RTFContext;
class ZynDispatchTable;
class ZynMarkupDispatcher;

struct LayvaneIOMethods {
    static RTFContext* rtfContext();
    static ZynDispatchTable* markupDispatchTable();
    static ZynMarkupDispatcher* markupDispatcher();
};
