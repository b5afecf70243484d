#pragma once

namespace errortests {

// What a trapped body hands back: a handle as plain as a pugi node, whose store the compiler may think dead.
struct Handle
{
    const void *target = nullptr;
};

// A trapped "result = call()" whose call throws when `fails` is set; the handle the trap was given first should
// come back. Built with optimisation even in a debug build, since only the optimiser drops the store.
Handle trappedThrowingAssignment(const void *initial, bool fails);

} // namespace errortests
