#pragma once

// What kind of in-place editor a column of a CGridmara is bound to. A slot holding any other value has no
// usable editor.
enum EnumEditType {
    EditTypeNone = 0,
    EditTypeEdit = 1,   // a CLcEdit
    EditTypeCombox = 2, // a CLcCombox
};
