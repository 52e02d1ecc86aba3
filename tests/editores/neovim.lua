-- Neovim's own client against `rutinero --lsp`: opens a JavaScript file, types a prefix, asks for
-- completion, resolves the first item and accepts it the way a snippet-aware completion does (the
-- snippet parsed by Neovim's parser, its text put in place of the prefix). Everything seen goes to
-- the JSON file RUTINERO_SALIDA; then Neovim quits.
local programa = os.getenv('RUTINERO_PROGRAMA')
local salida = os.getenv('RUTINERO_SALIDA')
local prefijo = os.getenv('RUTINERO_PREFIJO')
local visto = {}

local function terminar()
  vim.fn.writefile({ vim.fn.json_encode(visto) }, salida)
  vim.cmd('qall!')
end

local ok, fallo = pcall(function()
  vim.cmd('edit ' .. vim.fn.fnameescape(os.getenv('RUTINERO_ARCHIVO')))
  vim.bo.filetype = 'javascript'
  local id = vim.lsp.start_client({ name = 'rutinero', cmd = { programa, '--lsp' }, root_dir = vim.fn.getcwd() })
  assert(id, 'el cliente no arrancó')
  vim.lsp.buf_attach_client(0, id)
  assert(vim.wait(20000, function()
    local c = vim.lsp.get_client_by_id(id)
    return c ~= nil and c.initialized
  end, 20), 'el servidor no se inició')

  -- Typed as a person types it: the changes reach the server as the editor sends them.
  vim.api.nvim_feedkeys('Go  ' .. prefijo .. vim.api.nvim_replace_termcodes('<Esc>', true, false, true), 'xt', false)
  local fila = vim.api.nvim_win_get_cursor(0)[1]
  local linea = vim.api.nvim_buf_get_lines(0, fila - 1, fila, false)[1]
  local params = { textDocument = vim.lsp.util.make_text_document_params(), position = { line = fila - 1, character = #linea } }
  local respuestas = vim.lsp.buf_request_sync(0, 'textDocument/completion', params, 20000)
  assert(respuestas and respuestas[id] and respuestas[id].result, 'sin respuesta a la completación')
  local lista = respuestas[id].result
  visto.incompleto = lista.isIncomplete
  visto.elementos = {}
  for _, item in ipairs(lista.items or lista) do
    table.insert(visto.elementos, { etiqueta = item.label, detalle = item.detail, tipo = item.kind, formato = item.insertTextFormat })
  end

  local primero = (lista.items or lista)[1]
  local resuelto = vim.lsp.buf_request_sync(0, 'completionItem/resolve', primero, 20000)
  assert(resuelto and resuelto[id] and resuelto[id].result, 'sin respuesta a resolve')
  visto.documentacion = resuelto[id].result.documentation.value

  local edicion = primero.textEdit
  vim.lsp.util.apply_text_edits({ { range = edicion.range, newText = vim.lsp.util.parse_snippet(edicion.newText) } }, 0, 'utf-16')
  visto.texto = vim.api.nvim_buf_get_lines(0, 0, -1, false)

  vim.lsp.stop_client(id)
  visto.detenido = vim.wait(20000, function() return vim.lsp.get_client_by_id(id) == nil end, 20)
end)
if not ok then
  visto.fallo = tostring(fallo)
end
terminar()
