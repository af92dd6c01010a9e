#pragma once

// The class set-ups of the bundle, run once when the module is loaded (and
// by tests that archive the bundle's objects).
struct ConvalaClasses {
    // Registers the archivable classes (keyword table, actor, dispatcher)
    // with the archiver's class registry. Safe to run more than once.
    static void initialize();
};
