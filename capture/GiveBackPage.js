// Gives back what the page's steps changed (see PageChangeRegistry.js): those of `step`, or all of them.
({ step }) => window[Symbol.for('quillmark.pageChanges')].giveBack(step)
