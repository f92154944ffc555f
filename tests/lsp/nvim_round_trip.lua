-- SPDX-License-Identifier: MIT
-- pylocheck --lsp in Neovim's own client, headless: open a file with a misspelt key, take the
-- diagnostic at its line and column, apply the quick fix, write the file, and compare its image
-- with that of the corrected file.
--   PYLOCHECK=... PYLO_LSP_DIR=tests/lsp nvim --headless -u NONE -i NONE -n -c 'luafile tests/lsp/nvim_round_trip.lua'
local pylocheck = os.getenv('PYLOCHECK')
local dir = os.getenv('PYLO_LSP_DIR')

local function check(holds, what)
  if not holds then error(what, 0) end
end

local function image(path, out)
  vim.fn.system({ pylocheck, '--image', out, path })
  check(vim.v.shell_error == 0, 'pylocheck --image ' .. path .. ' failed')
  return table.concat(vim.fn.readfile(out, 'b'), '\n')
end

local function roundTrip()
  local work = vim.fn.tempname()
  vim.fn.mkdir(work, 'p')
  local file = work .. '/misspelt.txt'
  vim.fn.writefile(vim.fn.readfile(dir .. '/misspelt.txt', 'b'), file, 'b')
  vim.cmd('edit ' .. vim.fn.fnameescape(file))
  local buffer = vim.api.nvim_get_current_buf()
  local id = vim.lsp.start_client({ name = 'pylocheck', cmd = { pylocheck, '--lsp' }, root_dir = work })
  check(id ~= nil, 'the server did not start')
  vim.lsp.buf_attach_client(buffer, id)
  local warn = { severity = vim.diagnostic.severity.WARN }
  check(vim.wait(20000, function() return #vim.diagnostic.get(buffer, warn) > 0 end, 20), 'no diagnostic came')
  local found = vim.diagnostic.get(buffer, warn)
  check(#found == 1, #found .. ' warnings')
  local d = found[1]
  check(d.lnum == 2 and d.col == 9 and d.end_col == 13, ('the warning is at %d:%d-%d'):format(d.lnum, d.col, d.end_col))
  check(d.message == "unknown key name 'shft'; it ends the sequence", 'the message is ' .. d.message)

  local client = vim.lsp.get_client_by_id(id)
  local range = { start = { line = d.lnum, character = d.col }, ['end'] = { line = d.end_lnum, character = d.end_col } }
  local answer = client.request_sync('textDocument/codeAction',
    { textDocument = { uri = vim.uri_from_bufnr(buffer) }, range = range, context = { diagnostics = {} } }, 20000, buffer)
  check(answer ~= nil and answer.err == nil and answer.result ~= nil, 'no answer to codeAction')
  check(#answer.result == 1 and answer.result[1].isPreferred, #answer.result .. ' actions')
  vim.lsp.util.apply_workspace_edit(answer.result[1].edit, client.offset_encoding)
  vim.cmd('write')
  check(vim.wait(20000, function() return #vim.diagnostic.get(buffer) == 0 end, 20), 'the fix left diagnostics')
  check(image(file, work .. '/fixed.image') == image(dir .. '/corrected.txt', work .. '/corrected.image'),
        'the fixed file compiles to another image than the corrected one')
  client.stop()
end

local ok, failure = pcall(roundTrip)
if ok then
  io.stdout:write('nvim round trip: passed\n')
  vim.cmd('qall!')
else
  io.stderr:write('nvim round trip: ' .. tostring(failure) .. '\n')
  vim.cmd('cquit 1')
end
