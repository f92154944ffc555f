// SPDX-License-Identifier: MIT
// What the page imports once the text is on the screen: completion, hover and undo, the upload,
// the key tester. One module, so that the build makes one chunk of it.
export { assist } from './assist.js';
export { createUploading } from './uploading.js';
export { createTester } from './tester.js';
