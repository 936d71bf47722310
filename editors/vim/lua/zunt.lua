-- The zunt language server for script and declarations buffers: one client
-- per project folder (the folder of the nearest zunt.toml, else the file's).
-- neovim 0.8 and later start it with vim.lsp.start; 0.7 with start_client
-- and buf_attach_client.
local M = {}
local clients = {} -- root folder -> client id (0.7)

local function root_dir(file)
  local toml = vim.fn['zunt#project'](vim.fn.fnamemodify(file, ':h'))
  if toml ~= '' then
    return vim.fn.fnamemodify(toml, ':h')
  end
  return vim.fn.fnamemodify(file, ':p:h')
end

-- The buffer's completion, Ctrl-] and K through the server, where the user
-- has set none of them.
local function map_keys(buf)
  if vim.bo[buf].omnifunc == '' then
    vim.bo[buf].omnifunc = 'v:lua.vim.lsp.omnifunc'
  end
  if vim.bo[buf].tagfunc == '' then
    vim.bo[buf].tagfunc = 'v:lua.vim.lsp.tagfunc'
  end
  if vim.fn.maparg('K', 'n') == '' then
    vim.keymap.set('n', 'K', vim.lsp.buf.hover, { buffer = buf, desc = 'zunt: hover' })
  end
end

--- Starts the server for the current buffer, or attaches it to a running one.
function M.attach()
  local buf = vim.api.nvim_get_current_buf()
  local program = vim.g.zunt_program or 'zunt'
  local file = vim.api.nvim_buf_get_name(buf)
  if file == '' or vim.fn.executable(program) ~= 1 then
    return
  end
  local config = { name = 'zunt', cmd = { program, '--lsp' }, root_dir = root_dir(file) }
  map_keys(buf)
  if vim.lsp.start then
    vim.lsp.start(config)
    return
  end
  local id = clients[config.root_dir]
  if not id or not vim.lsp.get_client_by_id(id) then
    id = vim.lsp.start_client(config)
    clients[config.root_dir] = id
  end
  if id then
    vim.lsp.buf_attach_client(buf, id)
  end
end

return M
